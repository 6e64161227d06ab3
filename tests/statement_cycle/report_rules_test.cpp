// Which results count as failures, what the message module receives, and how its answer steers
// the path and becomes the return code.
#include <sqlext.h>

#include "cycle_fixture.hpp"

namespace statement_cycle_test {
namespace {

using lookup_host::put;
using lookup_host::text;

std::size_t reports() {
  return odbc_double::calls_of(F::message_module).size();
}

TEST_F(StatementCycle, EachReportPassesTheThreeHandleFields) {
  odbc_double::fail(F::exec, 1);
  fail_drop(1);
  odbc_double::script_message_module(odbc_double::every_occurrence, 1);
  auto fields = resolution();
  veldorin.call(fields);
  const std::vector<Call> reported = odbc_double::calls_of(F::message_module);
  ASSERT_GE(reported.size(), 2u) << trace();
  EXPECT_EQ(reported.front().statement, odbc_double::statement_handle(1));
  EXPECT_EQ(reported.front().environment, lookup_host::fake_environment());
  EXPECT_EQ(reported.front().connection, lookup_host::fake_connection());
  EXPECT_EQ(reported.front().environment_field, &fields.environment_handle);
  EXPECT_EQ(reported.front().connection_field, &fields.connection_handle);
  // The failed drop is reported after the statement field was cleared.
  EXPECT_EQ(reported.back().statement, nullptr);
  EXPECT_EQ(fields.environment_handle, lookup_host::fake_environment());
  EXPECT_EQ(fields.connection_handle, lookup_host::fake_connection());
}

TEST_F(StatementCycle, SuccessWithInfoCountsAsFailureExceptForExecution) {
  auto fields = resolution();
  put(fields.database_kind, LOOKUP_DATABASE_KIND_SQLSERVER);
  odbc_double::fail(F::exec, 1, SQL_SUCCESS_WITH_INFO);
  odbc_double::script_row(1, {"ITEM-1"});
  veldorin.call(fields);
  EXPECT_EQ(reports(), 0u) << trace();

  for (const Function failing : {F::set_option, F::bind, F::alloc}) {
    odbc_double::reset();
    odbc_double::script(
        failing, 1,
        {.result = SQL_SUCCESS_WITH_INFO, .handle_written = odbc_double::statement_handle(1)});
    odbc_double::script_row(1, {"ITEM-1"});
    veldorin.call(fields);
    EXPECT_EQ(reports(), 1u) << failing << "\n" << trace();
    EXPECT_EQ(text(fields.item_code), "ITEM-1          ") << failing;
  }
}

TEST_F(StatementCycle, FailedFetchTakesTheRowPathOnlyWhenTheMessageModuleAnswersZero) {
  odbc_double::script(F::fetch, 1, {.result = SQL_ERROR, .columns = odbc_double::Columns::written});
  odbc_double::script_row(1, {"ITEM-1"});
  odbc_double::script_message_module(1, 0);
  auto fields = resolution();
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(text(fields.item_code), "ITEM-1          ");
  EXPECT_EQ(text(fields.status), "00000");
  EXPECT_EQ(odbc_double::calls_of(F::exec).size(), 1u);

  odbc_double::reset();
  odbc_double::fail(F::fetch, odbc_double::every_occurrence);
  odbc_double::script_message_module(odbc_double::every_occurrence, 5);
  fields = resolution();
  const std::string caller_item = text(fields.item_code);
  EXPECT_EQ(veldorin.call(fields), 0);
  EXPECT_EQ(text(fields.status), "02129");
  EXPECT_EQ(text(fields.item_code), caller_item);
  EXPECT_EQ(reports(), 2u) << trace();
}

TEST_F(StatementCycle, FailedDropHandsTheMessageModulesAnswerToTheHost) {
  odbc_double::script_row(1, {"ITEM-1"});
  fail_drop(1);
  odbc_double::script_message_module(1, 7);
  auto fields = resolution();
  EXPECT_EQ(veldorin.call(fields), 7);

  odbc_double::reset();
  odbc_double::script_row(1, {"ITEM-1"});
  fail_drop(1);
  odbc_double::script_message_module(1, -1);
  EXPECT_EQ(veldorin.call(fields), 65535);  // the 16-bit code, zero-extended

  odbc_double::reset();
  odbc_double::script_row(1, {"ITEM-1"});
  fail_drop(1);
  odbc_double::script_message_module(1, 0x10003);  // only the low 16 bits count
  EXPECT_EQ(veldorin.call(fields), 3);
}

TEST_F(StatementCycle, NoFailureEndsTheCycleEarly) {
  // Full item fetch, static cursor, every call failing: allocation, option, execution, eleven
  // bindings, fetch and drop are each reported.
  lookup_host::VeldorinFields fields;
  put(fields.function_code, "1");
  put(fields.item_code, "A1");
  put(fields.database_kind, LOOKUP_DATABASE_KIND_SQLSERVER);
  for (const Function function : {F::alloc, F::set_option, F::exec, F::bind, F::fetch}) {
    odbc_double::fail(function, odbc_double::every_occurrence);
  }
  fail_drop(odbc_double::every_occurrence);
  odbc_double::script_message_module(odbc_double::every_occurrence, 1);
  EXPECT_EQ(veldorin.call(fields), 1);
  EXPECT_EQ(reports(), 16u) << trace();
  EXPECT_EQ(text(fields.status), "01027");
}

}  // namespace
}  // namespace statement_cycle_test
