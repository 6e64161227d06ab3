// Function codes outside the dispatch table, and the status preset of each module.
#include "cycle_fixture.hpp"

namespace statement_cycle_test {
namespace {

using lookup_host::put;
using lookup_host::text;

TEST_F(StatementCycle, ItemModuleWithoutOperationPresetsStatusAndCallsNothing) {
  for (const char code : {'4', ' ', 'a', 'A', '\0'}) {
    lookup_host::VeldorinFields fields;
    fields.function_code[0] = code;
    EXPECT_EQ(veldorin.call(fields), 0) << int{code};
    EXPECT_TRUE(odbc_double::calls().empty()) << trace();
    EXPECT_EQ(text(fields.status), "00000");
    EXPECT_EQ(fields.changed_fields(), (std::vector<std::string>{"function_code", "status"}));
  }
}

TEST_F(StatementCycle, CustomerModuleWithoutOperationLeavesEverythingAlone) {
  for (const char code : {'5', '0', ' ', '\0'}) {
    lookup_host::MarquethFields fields;
    fields.function_code[0] = code;
    put(fields.status, "12345");
    EXPECT_EQ(marqueth.call(fields), 0);
    EXPECT_TRUE(odbc_double::calls().empty()) << trace();
    EXPECT_EQ(text(fields.status), "12345");
  }
}

TEST_F(StatementCycle, NoOperationReturnsZeroEvenAfterAFailedCall) {
  odbc_double::script_row(1, {"ITEM-1"});
  fail_drop(1);
  auto fields = resolution();
  EXPECT_EQ(veldorin.call(fields), 1);
  put(fields.function_code, "9");
  EXPECT_EQ(veldorin.call(fields), 0);
}

}  // namespace
}  // namespace statement_cycle_test
