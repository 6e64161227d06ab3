// What each function code writes when its row is found, when it is missing, and when the fetch
// fails and the message module's answer picks the path. The host's status survives every found
// row.
#include <sqlext.h>

#include <string>
#include <utility>
#include <vector>

#include "customer_item_fixture.hpp"

namespace customer_item_test {
namespace {

using Written = std::vector<std::pair<std::string, std::string>>;

struct Case {
  const char* function_code;
  Row row;
  Written written;
};

const Case kFound[] = {
    {"1",
     {"CUST-77", "CX", "12.5", "10", "2.5", "7891234567895", "30"},
     {{"customer_item_code", "CUST-77" + spaces(43)},
      {"unit", "CX  "},
      {"factor", "000000125000000"},
      {"minimum_lot", "00000010000"},
      {"order_multiple", "00000002500"},
      {"barcode", "7891234567895   "},
      {"days", "0030"}}},
    {"2", {"ITEM-FOUND"}, {{"item_code", "ITEM-FOUND      "}}},
    {"3",
     {"CUST-77", "7891234567895"},
     {{"customer_item_code", "CUST-77" + spaces(43)}, {"barcode", "7891234567895   "}}},
    {"4", {"CX", "0.25"}, {{"unit", "CX  "}, {"factor", "000000002500000"}}},
};

const Case kMissing[] = {
    {"1", typical_row(), {{"status", "00003"}}},
    {"2", {"ITEM-FOUND"}, {{"status", "02129"}}},
    {"3",
     {"CUST-77", "7891234567895"},
     {{"customer_item_code", spaces(50)}, {"barcode", spaces(16)}, {"status", "00003"}}},
    {"4", {"CX", "0.25"}, {{"status", "00003"}}},
};

class MarquethRowPaths : public CustomerItemLookup {
 protected:
  // Calls the case's function code; `scripted` readies the double after the reset.
  template <typename Script>
  Written run(const Case& each, Script scripted) {
    odbc_double::reset();
    scripted(each);
    MarquethFields fields = request(each.function_code);
    EXPECT_EQ(call(fields), 0);
    EXPECT_TRUE(odbc_double::open_statements().empty()) << trace();
    return written_bytes(fields);
  }
};

TEST_F(MarquethRowPaths, FoundRowFillsTheOutputsAndKeepsTheHostStatus) {
  for (const Case& each : kFound) {
    const Written written = run(each, [](const Case& c) { odbc_double::script_row(1, c.row); });
    EXPECT_EQ(written, each.written) << each.function_code << "\n" << trace();
    EXPECT_TRUE(odbc_double::calls_of(F::message_module).empty());
  }
}

TEST_F(MarquethRowPaths, MissingRowSetsTheStatusAndTouchesOnlyWhatItMust) {
  for (const Case& each : kMissing) {
    const Written written = run(each, [](const Case&) {});
    EXPECT_EQ(written, each.written) << each.function_code << "\n" << trace();
    EXPECT_TRUE(odbc_double::calls_of(F::message_module).empty());
  }
}

// A driver that filled the buffers and then failed: the message module answering zero means "use
// the row".
TEST_F(MarquethRowPaths, FailedFetchAnsweredWithZeroTakesTheRowPath) {
  for (const Case& each : kFound) {
    const Written written = run(each, [](const Case& c) {
      odbc_double::script_row(1, c.row);
      odbc_double::script(F::fetch, 1,
                          {.result = SQL_ERROR, .columns = odbc_double::Columns::written});
      odbc_double::script_message_module(1, 0);
    });
    EXPECT_EQ(written, each.written) << each.function_code << "\n" << trace();
  }
}

TEST_F(MarquethRowPaths, FailedFetchAnsweredWithNonZeroTakesTheNoRowPath) {
  for (const Case& each : kMissing) {
    const Written written = run(each, [](const Case& c) {
      odbc_double::script_row(1, c.row);
      odbc_double::script(F::fetch, 1,
                          {.result = SQL_ERROR, .columns = odbc_double::Columns::written});
      odbc_double::script_message_module(1, 7);
    });
    EXPECT_EQ(written, each.written) << each.function_code << "\n" << trace();
  }
}

TEST_F(MarquethRowPaths, FailedFetchReportsTheStatementAndTheHostsHandleFields) {
  MarquethFields fields = request("1");
  odbc_double::fail(F::fetch, 1);
  call(fields);
  const std::vector<odbc_double::Call> reports = odbc_double::calls_of(F::message_module);
  ASSERT_EQ(reports.size(), 1u) << trace();
  EXPECT_EQ(reports[0].statement, odbc_double::statement_handle(1));
  EXPECT_EQ(reports[0].environment_field, &fields.environment_handle);
  EXPECT_EQ(reports[0].connection_field, &fields.connection_handle);
  EXPECT_EQ(text(fields.status), "00003");
}

// Nothing reached the buffers, so the row path copies the blank result area.
TEST_F(MarquethRowPaths, FailedFetchThatWroteNothingGivesABlankRow) {
  MarquethFields fields = request("1");
  odbc_double::script_row(1, typical_row());
  odbc_double::fail(F::fetch, 1);
  odbc_double::script_message_module(1, 0);
  EXPECT_EQ(call(fields), 0);
  EXPECT_EQ(written_bytes(fields), (Written{{"customer_item_code", spaces(50)},
                                            {"unit", spaces(4)},
                                            {"factor", std::string(15, '0')},
                                            {"minimum_lot", std::string(11, '0')},
                                            {"order_multiple", std::string(11, '0')},
                                            {"barcode", spaces(16)},
                                            {"days", "0000"}}))
      << trace();
}

// A truncated value comes back with info: a failure like any other, not a found row.
TEST_F(MarquethRowPaths, FetchWithInfoIsReportedAsAFailure) {
  MarquethFields fields = request("4");
  odbc_double::script_row(1, {"CX", "12.5"});
  odbc_double::script(F::fetch, 1, {.result = SQL_SUCCESS_WITH_INFO});
  EXPECT_EQ(call(fields), 0);
  EXPECT_EQ(odbc_double::calls_of(F::message_module).size(), 1u) << trace();
  EXPECT_EQ(written_bytes(fields), (Written{{"status", "00003"}}));
}

}  // namespace
}  // namespace customer_item_test
