// Function code "3": the item code by barcode, and by external code only when the barcode finds
// no item.

#include <sqlext.h>

#include <string>

#include "veldorin_lookup.hpp"

namespace item_data_test {
namespace {

class VeldorinItemCodeResolution : public VeldorinLookup {
 protected:
  void SetUp() override {
    VeldorinLookup::SetUp();
    lookup_host::put(fields.barcode, "7891234567895");
    lookup_host::put(fields.external_code, "EXT-0001");
  }

  static std::size_t statements_run() { return odbc_double::calls_of(Function::exec).size(); }
};

TEST_F(VeldorinItemCodeResolution, BarcodeHitNeverLooksUpTheExternalCode) {
  odbc_double::script_row(1, {"ITEM-0001"});
  EXPECT_EQ(lookup('3'), 0);
  EXPECT_EQ(statements_run(), 1u);
  EXPECT_EQ(lookup_host::text(fields.item_code), "ITEM-0001" + spaces(7));
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_FOUND);
  EXPECT_EQ(written(), (std::vector<std::string>{"item_code", "status"}));
}

TEST_F(VeldorinItemCodeResolution, BarcodeMissFallsBackToTheExternalCodeWithStatusResetInBetween) {
  odbc_double::script_row(2, {"ITEM-0002"});
  EXPECT_EQ(lookup('3'), 0);
  EXPECT_EQ(statements_run(), 2u);
  EXPECT_EQ(odbc_double::calls_of(Function::alloc).size(), 2u);
  EXPECT_EQ(odbc_double::calls_of(Function::free).size(), 2u);
  // The barcode miss wrote "02129"; the external code lookup started again from "00000".
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_FOUND);
  EXPECT_EQ(lookup_host::text(fields.item_code), "ITEM-0002" + spaces(7));
  EXPECT_EQ(written(), (std::vector<std::string>{"item_code", "status"}));
}

TEST_F(VeldorinItemCodeResolution, NeitherCodeFoundLeavesTheItemCodeAlone) {
  EXPECT_EQ(lookup('3'), 0);
  EXPECT_EQ(statements_run(), 2u);
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_CODES_NOT_FOUND);
  EXPECT_EQ(written(), std::vector<std::string>{"status"});
}

TEST_F(VeldorinItemCodeResolution, ItemCodeReachesTheHostAtFullWidthWithoutTerminator) {
  odbc_double::script_row(1, {"ABCDEFGHIJKLMNOP"});
  lookup('3');
  EXPECT_EQ(lookup_host::text(fields.item_code), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(odbc_double::calls_of(Function::fetch).at(0).result, SQL_SUCCESS);

  for (auto style :
       {odbc_double::DriverStyle::terminator_only, odbc_double::DriverStyle::zero_fill}) {
    odbc_double::reset();
    odbc_double::set_driver_style(style);
    odbc_double::script_row(2, {"A1"});
    lookup('3');
    EXPECT_EQ(lookup_host::text(fields.item_code), "A1" + spaces(14));
  }
}

TEST_F(VeldorinItemCodeResolution, ExternalCodeLookupStartsFromAnEmptyResultArea) {
  // The barcode fetch fills the columns but fails; the external code fetch fails without writing
  // and the message module lets it through as a row: nothing of the first row may show.
  odbc_double::script_row(1, {"STALE-ITEM"});
  odbc_double::script_row(2, {"ITEM-0002"});
  odbc_double::script(Function::fetch, 1,
                      {.result = SQL_ERROR, .columns = odbc_double::Columns::written});
  odbc_double::fail(Function::fetch, 2);
  odbc_double::script_message_module(2, 0);
  EXPECT_EQ(lookup('3'), 0);
  EXPECT_EQ(statements_run(), 2u);
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_FOUND);
  EXPECT_EQ(lookup_host::text(fields.item_code), spaces(16));
}

TEST_F(VeldorinItemCodeResolution, ReturnCodeIsTheLastDrops) {
  odbc_double::script_row(2, {"ITEM-0002"});
  odbc_double::fail(Function::free, 2);
  odbc_double::script_message_module(1, 7);
  EXPECT_EQ(lookup('3'), 7);
  const auto reports = odbc_double::calls_of(Function::message_module);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].statement, nullptr);
  EXPECT_EQ(odbc_double::functions().back(), Function::message_module);
  EXPECT_EQ(lookup_host::text(fields.item_code), "ITEM-0002" + spaces(7));
  EXPECT_EQ(odbc_double::open_statements(), std::vector{odbc_double::statement_handle(2)});
  drop_refused = true;

  // A refused first drop is followed by the external code statement, whose drop decides.
  odbc_double::reset();
  odbc_double::fail(Function::free, 1);
  odbc_double::script_message_module(1, 7);
  EXPECT_EQ(lookup('3'), 0);
  EXPECT_EQ(statements_run(), 2u);
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_CODES_NOT_FOUND);
  EXPECT_EQ(odbc_double::open_statements(), std::vector{odbc_double::statement_handle(1)});
}

}  // namespace
}  // namespace item_data_test
