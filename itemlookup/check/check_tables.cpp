// Findings "table VNDADFIT" and "table VNDAITCL": every column a lookup selects or compares is
// there to read. A table or column is named missing only when the engine says it does not know
// it; any other failure (a file that is no database, a permission, a lost connection) is shown
// in the driver's own words.
#include <optional>
#include <span>

#include "check/check_findings.hpp"
#include "connection/statement_error.hpp"

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

// How an engine says it does not know a name: the ODBC SQLSTATE, or the engine's own state,
// native code or message.
struct UnknownNameSign {
  std::string_view engine;  // a label of EngineTraits; empty for every engine
  std::string_view sqlstate;
  long native_error;
  std::string_view message_part;
};
constexpr UnknownNameSign kUnknownTable[] = {
    {"", "42S02", 0, ""},    {"PostgreSQL", "42P01", 0, ""},     {"MariaDB", "", 1146, ""},
    {"MySQL", "", 1146, ""}, {"SQLite", "", 0, "no such table"},
};
constexpr UnknownNameSign kUnknownColumn[] = {
    {"", "42S22", 0, ""},    {"PostgreSQL", "42703", 0, ""},      {"MariaDB", "", 1054, ""},
    {"MySQL", "", 1054, ""}, {"SQLite", "", 0, "no such column"},
};

bool says_unknown(std::span<const UnknownNameSign> signs, const EngineTraits& traits,
                  const StatementError& error) {
  for (const UnknownNameSign& sign : signs) {
    if (!sign.engine.empty() && sign.engine != traits.label) continue;
    if ((!sign.sqlstate.empty() && error.sqlstate() == sign.sqlstate) ||
        (sign.native_error != 0 && error.native_error() == sign.native_error) ||
        (!sign.message_part.empty() &&
         error.diagnostics().find(sign.message_part) != std::string::npos)) {
      return true;
    }
  }
  return false;
}

// Why a read of `columns` from `table` fails; nothing when it answers.
std::optional<StatementError> read_failure(const CheckContext& context, std::string_view columns,
                                           std::string_view table) {
  try {
    context.connection.query_rows(
        limited_select(context.traits(), columns, std::string(table) + " WHERE 1 = 0", 1), 1);
    return std::nullopt;
  } catch (const StatementError& error) {
    return error;
  }
}

constexpr std::string_view kUnreadableFix =
    "make it readable on this connection: the driver's message says what stops it";

void check_table(CheckContext& context, const TableColumns& table) {
  CheckReport& report = context.report;
  const std::string topic = "table " + std::string(table.table);
  std::string columns;
  for (std::string_view column : table.columns) {
    if (!columns.empty()) columns += ',';
    columns += column;
  }
  const std::optional<StatementError> whole = read_failure(context, columns, table.table);
  if (!whole) {
    report.add(topic, true,
               "every column the lookups read (" + std::to_string(table.columns.size()) + ")");
    context.readable_tables.emplace_back(table.table);
    return;
  }
  if (const auto any = read_failure(context, "1", table.table)) {
    if (says_unknown(kUnknownTable, context.traits(), *any)) {
      report.add(topic, false, "not found", "create it from the schema for this engine under db/");
    } else {
      report.add(topic, false, "cannot be read: " + any->diagnostics(),
                 std::string(kUnreadableFix));
    }
    return;
  }
  std::vector<std::string> missing;
  for (std::string_view column : table.columns) {
    const auto failure = read_failure(context, column, table.table);
    if (!failure) continue;
    if (!says_unknown(kUnknownColumn, context.traits(), *failure)) {
      report.add(topic, false,
                 "column " + std::string(column) + " cannot be read: " + failure->diagnostics(),
                 std::string(kUnreadableFix));
      return;
    }
    missing.emplace_back(column);
  }
  if (missing.empty()) {
    report.add(topic, false, "cannot be read: " + whole->diagnostics(),
               std::string(kUnreadableFix));
    return;
  }
  report.add(topic, false,
             "missing column" + std::string(missing.size() == 1 ? " " : "s ") + joined(missing),
             "add " + std::string(missing.size() == 1 ? "it" : "them") +
                 " as the schema for this engine under db/ declares");
}

}  // namespace

void check_tables(CheckContext& context) {
  for (const TableColumns& table : kTables) check_table(context, table);
}

}  // namespace itemlookup
