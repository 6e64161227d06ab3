// VELDORIN as its host sees it through the ODBC test double: a loaded module, the host's fields,
// one item row of VNDADFIT, and the two fetch operations described as data.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "lookup_host.hpp"
#include "odbc_double.hpp"

namespace item_data_test {

using odbc_double::Function;
using odbc_double::Value;

// One VNDADFIT row, column by column, as the database hands it over in character form.
struct ItemColumns {
  Value fam_venda{"FAM01"};
  Value cod_externo{"EXT-0001"};
  Value cod_barras{"7891234567895"};
  Value descricao{"DIPIRONA 500MG"};
  Value rastro_nfe{"S"};
  Value det_esp{"N"};
  Value cod_anvisa{"1234567890123"};
  Value valor_pmc{"12.34"};
  Value valor_pmv{"9.9"};
  Value peso_liquido{"1.5"};
  Value peso_bruto{"2.25"};
};

// Function codes "1" and "2": what each selects and what each writes into the host's fields.
struct FetchKind {
  const char* name;
  char function_code;
  std::vector<Value ItemColumns::*> select_list;
  std::vector<std::string> outputs;  // host fields the row path writes, in parameter order
  bool clears_on_no_row;             // the outputs are blanked when the item is missing
  odbc_double::Row row(const ItemColumns& item) const;
};
void PrintTo(const FetchKind& kind, std::ostream* out);
const FetchKind& full_fetch();
const FetchKind& partial_fetch();

// The bytes of the host field called `name`.
std::string field_bytes(const lookup_host::VeldorinFields& fields, const std::string& name);
// What the row path writes for ItemColumns{} into the field called `name`.
std::string sample_bytes(const std::string& name);
// What an output holds when the row brought nothing for it: spaces, or zeros for a number.
std::string blank_bytes(const std::string& name);

inline std::string spaces(std::size_t count) {
  return std::string(count, ' ');
}

class VeldorinLookup : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Calls VELDORIN with the fields as they stand: by default item "A1" on a database that is not
  // SQLSERVER, every other input holding the host's preset mark.
  int lookup(char function_code);
  // The host fields the last lookup changed, in parameter order.
  std::vector<std::string> written() const;
  void expect_outputs(const std::vector<std::string>& names,
                      std::string (*expected)(const std::string&)) const;

  lookup_host::VeldorinHost host;
  lookup_host::VeldorinFields fields;
  lookup_host::VeldorinFields before;
  // Set by a test whose driver refuses a drop: that statement stays open in the double.
  bool drop_refused = false;
};

}  // namespace item_data_test
