// The exact statement each function code sends: keys at their full host width, the customer code
// as the host holds it, every apostrophe of a key doubled.
#include <sqlext.h>

#include <string>
#include <utility>

#include "customer_item_fixture.hpp"

namespace customer_item_test {
namespace {

struct Keys {
  const char* kind;
  const char* customer;
  const char* item;
  const char* customer_item;
};

constexpr Keys kCustomer42{"C", "00042", "ABC-1", "CLI-ITEM-9"};
constexpr Keys kCustomer7{"F", "00007", "X", "Z"};
constexpr Keys kApostrophes{"'", "00007", "O'BRIEN'S", "D'AGUA'"};

class MarquethStatementText : public CustomerItemLookup {
 protected:
  // The text the driver got for one call with these keys; the module stays loaded between calls,
  // so a shorter text follows a longer one.
  std::string executed(const char* function_code, const Keys& keys) {
    odbc_double::reset();
    MarquethFields fields = request(function_code);
    put(fields.customer_kind, keys.kind);
    put(fields.customer_code, keys.customer);
    put(fields.item_code, keys.item);
    put(fields.customer_item_code, keys.customer_item);
    call(fields);
    const std::vector<odbc_double::Call> executions = odbc_double::calls_of(F::exec);
    if (executions.size() != 1) {
      ADD_FAILURE() << trace();
      return {};
    }
    EXPECT_EQ(executions[0].text_length, SQL_NTS);
    return executions[0].text;
  }
};

// Function codes "1", "3" and "4" select by customer kind, customer code and item code.
TEST_F(MarquethStatementText, FetchesSelectTheirColumnsByKindCustomerAndItem) {
  const std::pair<const char*, std::string> selects[] = {
      {"1",
       "SELECT AITCL_ITEM_CLIENTE,AITCL_UNID_MEDIDA,AITCL_FATOR,AITCL_LOTE_MINIMO,"
       "AITCL_PED_MULTIPLO,AITCL_COD_BARRAS,AITCL_DIAS FROM VNDAITCL WHERE AITCL_TIPO = '"},
      {"3", "SELECT AITCL_ITEM_CLIENTE,AITCL_COD_BARRAS FROM VNDAITCL WHERE AITCL_TIPO = '"},
      {"4", "SELECT AITCL_UNID_MEDIDA,AITCL_FATOR FROM VNDAITCL WHERE AITCL_TIPO = '"},
  };
  for (const auto& [function_code, select] : selects) {
    SCOPED_TRACE(function_code);
    EXPECT_EQ(
        executed(function_code, kCustomer42),
        select + "C' AND AITCL_CODIGO = '00042' AND AITCL_COD_ITEM = 'ABC-1" + spaces(11) + "'");
    EXPECT_EQ(executed(function_code, kCustomer7),
              select + "F' AND AITCL_CODIGO = '00007' AND AITCL_COD_ITEM = 'X" + spaces(15) + "'");
    EXPECT_EQ(executed(function_code, kApostrophes),
              select + "''' AND AITCL_CODIGO = '00007' AND AITCL_COD_ITEM = 'O''BRIEN''S" +
                  spaces(7) + "'");
  }
}

TEST_F(MarquethStatementText, ResolutionSelectsTheItemByTheCustomersOwnCode) {
  const std::string select = "SELECT AITCL_COD_ITEM FROM VNDAITCL WHERE AITCL_TIPO = '";
  EXPECT_EQ(executed("2", kCustomer42),
            select + "C' AND AITCL_CODIGO = '00042' AND AITCL_ITEM_CLIENTE = 'CLI-ITEM-9" +
                spaces(40) + "'");
  EXPECT_EQ(
      executed("2", kCustomer7),
      select + "F' AND AITCL_CODIGO = '00007' AND AITCL_ITEM_CLIENTE = 'Z" + spaces(49) + "'");
  EXPECT_EQ(executed("2", kApostrophes),
            select + "''' AND AITCL_CODIGO = '00007' AND AITCL_ITEM_CLIENTE = 'D''AGUA''" +
                spaces(43) + "'");
}

}  // namespace
}  // namespace customer_item_test
