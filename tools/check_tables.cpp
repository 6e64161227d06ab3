// Findings "table VNDADFIT" and "table VNDAITCL": every column a lookup selects or compares is
// there to read.
#include <span>

#include "check_findings.hpp"
#include "command_error.hpp"

namespace itemlookup {

namespace {

struct TableColumns {
  std::string_view table;
  std::span<const std::string_view> columns;
};

constexpr std::string_view kItemColumns[] = {
    "ADFIT_COD_ITEM",  "ADFIT_FAM_VENDA",  "ADFIT_COD_EXTERNO",  "ADFIT_COD_BARRAS",
    "ADFIT_DESCRICAO", "ADFIT_RASTRO_NFE", "ADFIT_DET_ESP",      "ADFIT_COD_ANVISA",
    "ADFIT_VALOR_PMC", "ADFIT_VALOR_PMV",  "ADFIT_PESO_LIQUIDO", "ADFIT_PESO_BRUTO",
};
constexpr std::string_view kCustomerItemColumns[] = {
    "AITCL_TIPO",        "AITCL_CODIGO", "AITCL_COD_ITEM",    "AITCL_ITEM_CLIENTE",
    "AITCL_UNID_MEDIDA", "AITCL_FATOR",  "AITCL_LOTE_MINIMO", "AITCL_PED_MULTIPLO",
    "AITCL_COD_BARRAS",  "AITCL_DIAS",
};
constexpr TableColumns kTables[] = {
    {"VNDADFIT", kItemColumns},
    {"VNDAITCL", kCustomerItemColumns},
};

bool answers(const OdbcConnection& connection, const std::string& sql) {
  try {
    connection.query_rows(sql, 1);
    return true;
  } catch (const CommandError&) {
    return false;
  }
}

void check_table(CheckContext& context, const TableColumns& table) {
  const std::string topic = "table " + std::string(table.table);
  const std::string name(table.table);
  std::string columns;
  for (std::string_view column : table.columns) {
    columns += (columns.empty() ? "" : ",") + std::string(column);
  }
  if (answers(context.connection, "SELECT " + columns + " FROM " + name + " WHERE 1 = 0")) {
    context.report.add(
        topic, true,
        "every column the lookups read (" + std::to_string(table.columns.size()) + ")");
    context.readable_tables.push_back(name);
    return;
  }
  if (!answers(context.connection, "SELECT 1 FROM " + name + " WHERE 1 = 0")) {
    context.report.add(topic, false, "not found",
                       "create it from the schema for this engine under db/");
    return;
  }
  std::vector<std::string> missing;
  for (std::string_view column : table.columns) {
    if (!answers(context.connection,
                 "SELECT " + std::string(column) + " FROM " + name + " WHERE 1 = 0")) {
      missing.emplace_back(column);
    }
  }
  context.report.add(
      topic, false,
      "missing column" + std::string(missing.size() == 1 ? " " : "s ") + joined(missing),
      "add " + std::string(missing.size() == 1 ? "it" : "them") +
          " as the schema for this engine under db/ declares");
}

}  // namespace

void check_tables(CheckContext& context) {
  for (const TableColumns& table : kTables) check_table(context, table);
}

}  // namespace itemlookup
