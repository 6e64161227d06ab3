// Function codes "1" and "2": what reaches the host for each way the fetch can end.

#include <sqlext.h>

#include "veldorin_lookup.hpp"

namespace item_data_test {
namespace {

class VeldorinFetchOutcome : public VeldorinLookup, public testing::WithParamInterface<FetchKind> {
 protected:
  const FetchKind& kind() const { return GetParam(); }
  int lookup() { return VeldorinLookup::lookup(kind().function_code); }

  std::vector<std::string> outputs_and_status() const {
    std::vector<std::string> names = kind().outputs;
    names.push_back("status");
    return names;
  }

  void expect_row_copied() const {
    EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_FOUND);
    EXPECT_EQ(written(), outputs_and_status());
    expect_outputs(kind().outputs, sample_bytes);
  }

  // "1" leaves every output as the host had it; "2" blanks its outputs.
  void expect_item_not_found() const {
    EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_ITEM_NOT_FOUND);
    if (kind().clears_on_no_row) {
      EXPECT_EQ(written(), outputs_and_status());
      expect_outputs(kind().outputs, blank_bytes);
    } else {
      EXPECT_EQ(written(), std::vector<std::string>{"status"});
    }
    EXPECT_TRUE(odbc_double::calls_of(Function::converter).empty());
  }

  void expect_fetch_reported(int answer) const {
    const auto reports = odbc_double::calls_of(Function::message_module);
    ASSERT_EQ(reports.size(), 1u) << odbc_double::describe(odbc_double::calls());
    EXPECT_EQ(reports[0].result, answer);
    EXPECT_EQ(reports[0].statement, odbc_double::statement_handle(1));
    EXPECT_EQ(reports[0].environment_field, &fields.environment_handle);
    EXPECT_EQ(reports[0].connection_field, &fields.connection_handle);
  }
};

TEST_P(VeldorinFetchOutcome, RowFoundCopiesEveryColumnOfTheSelectList) {
  odbc_double::script_row(1, kind().row({}));
  EXPECT_EQ(lookup(), 0);
  expect_row_copied();
  EXPECT_TRUE(odbc_double::calls_of(Function::message_module).empty());
}

TEST_P(VeldorinFetchOutcome, NoDataMeansItemNotFound) {
  EXPECT_EQ(lookup(), 0);
  EXPECT_EQ(odbc_double::calls_of(Function::fetch).at(0).result, SQL_NO_DATA);
  expect_item_not_found();
  EXPECT_TRUE(odbc_double::calls_of(Function::message_module).empty());
}

TEST_P(VeldorinFetchOutcome, FailedFetchThatTheMessageModuleFlagsMeansItemNotFound) {
  odbc_double::script_row(1, kind().row({}));
  odbc_double::script(Function::fetch, 1,
                      {.result = SQL_ERROR, .columns = odbc_double::Columns::written});
  odbc_double::script_message_module(1, 3);
  EXPECT_EQ(lookup(), 0);  // the drop that follows decides
  expect_fetch_reported(3);
  expect_item_not_found();
}

TEST_P(VeldorinFetchOutcome, FailedFetchThatTheMessageModuleClearsCopiesAnEmptyResultArea) {
  odbc_double::script_row(1, kind().row({}));
  odbc_double::fail(Function::fetch, 1);
  odbc_double::script_message_module(1, 0);
  EXPECT_EQ(lookup(), 0);
  expect_fetch_reported(0);
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_FOUND);
  EXPECT_EQ(written(), outputs_and_status());
  expect_outputs(kind().outputs, blank_bytes);
  for (const odbc_double::Call& conversion : odbc_double::calls_of(Function::converter)) {
    EXPECT_EQ(conversion.text, spaces(18));
  }
}

TEST_P(VeldorinFetchOutcome, FailedFetchThatTheMessageModuleClearsCopiesTheColumnsItWrote) {
  odbc_double::script_row(1, kind().row({}));
  odbc_double::script(Function::fetch, 1,
                      {.result = SQL_ERROR, .columns = odbc_double::Columns::written});
  odbc_double::script_message_module(1, 0);
  EXPECT_EQ(lookup(), 0);
  expect_fetch_reported(0);
  expect_row_copied();
}

TEST_P(VeldorinFetchOutcome, TruncatedValueIsReportedAndTheMessageModuleDecides) {
  ItemColumns item;
  item.descricao = std::string(55, 'D') + "XYZ";
  odbc_double::script_row(1, kind().row(item));
  EXPECT_EQ(lookup(), 0);
  EXPECT_EQ(odbc_double::calls_of(Function::fetch).at(0).result, SQL_SUCCESS_WITH_INFO);
  expect_fetch_reported(1);
  expect_item_not_found();

  odbc_double::reset();
  odbc_double::script_row(1, kind().row(item));
  odbc_double::script_message_module(1, 0);
  EXPECT_EQ(lookup(), 0);
  expect_fetch_reported(0);
  EXPECT_EQ(lookup_host::text(fields.status), VELDORIN_STATUS_FOUND);
  EXPECT_EQ(lookup_host::text(fields.description), std::string(55, 'D'));
  EXPECT_EQ(lookup_host::text(fields.trace_flag), "S");
}

TEST_P(VeldorinFetchOutcome, ReturnCodeIsTheDropsAndAFailedDropReportsWithoutAHandle) {
  odbc_double::script_row(1, kind().row({}));
  odbc_double::fail(Function::free, 1);
  odbc_double::script_message_module(1, 7);
  EXPECT_EQ(lookup(), 7);
  expect_row_copied();
  const auto reports = odbc_double::calls_of(Function::message_module);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].statement, nullptr);
  EXPECT_EQ(odbc_double::open_statements(), std::vector{odbc_double::statement_handle(1)});
  drop_refused = true;
}

INSTANTIATE_TEST_SUITE_P(FunctionCode, VeldorinFetchOutcome,
                         testing::Values(full_fetch(), partial_fetch()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace item_data_test
