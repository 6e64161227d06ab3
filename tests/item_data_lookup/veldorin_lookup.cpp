#include "veldorin_lookup.hpp"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace item_data_test {

using Item = ItemColumns;

odbc_double::Row FetchKind::row(const ItemColumns& item) const {
  odbc_double::Row row;
  for (Value ItemColumns::*column : select_list) row.push_back(item.*column);
  return row;
}

const FetchKind& full_fetch() {
  static const FetchKind kind{
      .name = "FullFetch",
      .function_code = '1',
      .select_list = {&Item::fam_venda, &Item::cod_externo, &Item::cod_barras, &Item::descricao,
                      &Item::rastro_nfe, &Item::det_esp, &Item::cod_anvisa, &Item::valor_pmc,
                      &Item::valor_pmv, &Item::peso_liquido, &Item::peso_bruto},
      .outputs = {"sales_family", "external_code", "barcode", "description", "trace_flag",
                  "detail_flag", "anvisa_code", "pmc_value", "pmv_value", "net_weight",
                  "gross_weight"},
      .clears_on_no_row = false,
  };
  return kind;
}

const FetchKind& partial_fetch() {
  static const FetchKind kind{
      .name = "PartialFetch",
      .function_code = '2',
      .select_list = {&Item::cod_externo, &Item::cod_barras, &Item::descricao, &Item::rastro_nfe,
                      &Item::cod_anvisa, &Item::valor_pmc, &Item::valor_pmv},
      .outputs = {"external_code", "barcode", "description", "trace_flag", "anvisa_code",
                  "pmc_value", "pmv_value"},
      .clears_on_no_row = true,
  };
  return kind;
}

void PrintTo(const FetchKind& kind, std::ostream* out) {
  *out << kind.name;
}

std::string field_bytes(const lookup_host::VeldorinFields& fields, const std::string& name) {
  for (const lookup_host::FieldInfo& field : lookup_host::VeldorinFields::layout()) {
    if (name == field.name) {
      return std::string(reinterpret_cast<const char*>(&fields) + field.offset, field.width);
    }
  }
  throw std::invalid_argument("no host field " + name);
}

std::string sample_bytes(const std::string& name) {
  static const std::map<std::string, std::string> kSample = {
      {"sales_family", "FAM01     "},
      {"external_code", "EXT-0001        "},
      {"barcode", "7891234567895   "},
      {"description", "DIPIRONA 500MG" + spaces(41)},
      {"trace_flag", "S"},
      {"detail_flag", "N"},
      {"anvisa_code", "1234567890123"},
      {"pmc_value", "000000001234"},
      {"pmv_value", "000000000990"},
      {"net_weight", "00000001500"},
      {"gross_weight", "00000002250"},
  };
  return kSample.at(name);
}

std::string blank_bytes(const std::string& name) {
  static const std::vector<std::string> kNumbers = {"pmc_value", "pmv_value", "net_weight",
                                                    "gross_weight"};
  const bool number = std::ranges::find(kNumbers, name) != kNumbers.end();
  const lookup_host::VeldorinFields any;
  return std::string(field_bytes(any, name).size(), number ? '0' : ' ');
}

void VeldorinLookup::SetUp() {
  odbc_double::reset();
  lookup_host::put(fields.item_code, "A1");
  lookup_host::put(fields.database_kind, "POSTGRESQL");
}

void VeldorinLookup::TearDown() {
  if (!drop_refused) {
    EXPECT_TRUE(odbc_double::open_statements().empty())
        << odbc_double::describe(odbc_double::calls());
  }
}

int VeldorinLookup::lookup(char function_code) {
  fields.function_code[0] = function_code;
  before = fields;
  return host.call(fields);
}

std::vector<std::string> VeldorinLookup::written() const {
  return lookup_host::changed_fields(&fields, &before, lookup_host::VeldorinFields::layout());
}

void VeldorinLookup::expect_outputs(const std::vector<std::string>& names,
                                    std::string (*expected)(const std::string&)) const {
  for (const std::string& name : names) {
    EXPECT_EQ(field_bytes(fields, name), expected(name)) << name;
  }
}

}  // namespace item_data_test
