// Scripted results: which call they hit, and what a scripted call still does.

#include <gtest/gtest.h>
#include <sqlext.h>

#include <stdexcept>
#include <string>

#include "loaded_driver_manager.hpp"
#include "odbc_double.hpp"

namespace {

using odbc_double::Columns;
using odbc_double::Function;
using odbc_double::Outcome;

class Scripting : public testing::Test {
 protected:
  void SetUp() override { odbc_double::reset(); }

  // A statement executed with one row "value" and column 1 bound to `buffer`.
  SQLHSTMT bound_to(std::string& buffer) {
    odbc_double::script_row(1, {"value"});
    SQLHSTMT statement = odbc.executed("SELECT");
    odbc.bind(statement, 1, SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()),
              &indicator);
    return statement;
  }

  LoadedDriverManager odbc;
  SQLLEN indicator = 0;
};

TEST_F(Scripting, FailedFetchConsumesTheRowButLeavesTheBuffers) {
  std::string buffer(8, 'x');
  SQLHSTMT statement = bound_to(buffer);
  odbc_double::fail(Function::fetch, 1);
  EXPECT_EQ(odbc.fetch(statement), SQL_ERROR);
  EXPECT_EQ(buffer, std::string(8, 'x'));
  EXPECT_EQ(odbc.fetch(statement), SQL_NO_DATA);
  EXPECT_EQ(odbc_double::calls_of(Function::fetch).at(0).row, 1);
}

TEST_F(Scripting, FailedFetchCanStillWriteTheRow) {
  std::string buffer(8, 'x');
  SQLHSTMT statement = bound_to(buffer);
  odbc_double::script(Function::fetch, 1, {.result = SQL_ERROR, .columns = Columns::written});
  EXPECT_EQ(odbc.fetch(statement), SQL_ERROR);
  EXPECT_EQ(buffer, std::string("value\0xx", 8));
  EXPECT_TRUE(odbc_double::calls_of(Function::fetch).at(0).columns_written);
}

TEST_F(Scripting, ScriptedResultReplacesTheTruncationWarning) {
  std::string buffer(3, 'x');
  SQLHSTMT statement = bound_to(buffer);
  odbc_double::script(Function::fetch, 1, {.result = SQL_SUCCESS});
  EXPECT_EQ(odbc.fetch(statement), SQL_SUCCESS);
  EXPECT_EQ(buffer, std::string("va\0", 3));
}

TEST_F(Scripting, NumberedOccurrenceWinsOverEveryOccurrence) {
  odbc_double::fail(Function::set_option, odbc_double::every_occurrence);
  odbc_double::script(Function::set_option, 2, {.result = SQL_SUCCESS_WITH_INFO});
  SQLHSTMT statement = odbc.executed("SELECT");
  EXPECT_EQ(odbc.set_option(statement, SQL_CURSOR_TYPE, SQL_CURSOR_STATIC), SQL_ERROR);
  EXPECT_EQ(odbc.set_option(statement, SQL_CURSOR_TYPE, SQL_CURSOR_STATIC), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(odbc.set_option(statement, SQL_CURSOR_TYPE, SQL_CURSOR_STATIC), SQL_ERROR);
}

TEST_F(Scripting, OccurrencesCountPerFunctionSinceReset) {
  odbc_double::fail(Function::alloc, 2);
  SQLHSTMT first = SQL_NULL_HSTMT, second = SQL_NULL_HSTMT;
  EXPECT_EQ(odbc.alloc(nullptr, &first), SQL_SUCCESS);
  EXPECT_EQ(odbc.alloc(nullptr, &second), SQL_ERROR);
  odbc_double::reset();
  odbc_double::fail(Function::alloc, 2);
  EXPECT_EQ(odbc.alloc(nullptr, &first), SQL_SUCCESS);
}

TEST_F(Scripting, FailedAllocationWritesNothingAndOpensNothing) {
  odbc_double::fail(Function::alloc, 1);
  SQLHSTMT statement = reinterpret_cast<SQLHSTMT>(0x1234);
  EXPECT_EQ(odbc.alloc(nullptr, &statement), SQL_ERROR);
  EXPECT_EQ(statement, reinterpret_cast<SQLHSTMT>(0x1234));
  EXPECT_TRUE(odbc_double::open_statements().empty());
}

TEST_F(Scripting, FailedAllocationCanWriteAScriptedHandle) {
  odbc_double::script(Function::alloc, 1,
                      {.result = SQL_ERROR, .handle_written = SQLHSTMT{nullptr}});
  SQLHSTMT statement = reinterpret_cast<SQLHSTMT>(0x1234);
  EXPECT_EQ(odbc.alloc(nullptr, &statement), SQL_ERROR);
  EXPECT_EQ(statement, nullptr);
  EXPECT_TRUE(odbc_double::open_statements().empty());
}

TEST_F(Scripting, AllocationHandsOutTheHandleOfItsOccurrence) {
  odbc_double::fail(Function::alloc, 1);
  SQLHSTMT statement = SQL_NULL_HSTMT;
  odbc.alloc(nullptr, &statement);
  EXPECT_EQ(odbc.alloc(nullptr, &statement), SQL_SUCCESS);
  EXPECT_EQ(statement, odbc_double::statement_handle(2));
  EXPECT_NE(odbc_double::statement_handle(1), odbc_double::statement_handle(2));
}

TEST_F(Scripting, RowsBelongToTheExecutionTheyWereScriptedFor) {
  odbc_double::script_row(2, {"second"});
  std::string buffer(8, 'x');
  SQLLEN length = 0;
  SQLHSTMT first = odbc.executed("SELECT 1");
  SQLHSTMT second = odbc.executed("SELECT 2");
  odbc.bind(first, 1, SQL_C_CHAR, buffer.data(), 8, &length);
  odbc.bind(second, 1, SQL_C_CHAR, buffer.data(), 8, &length);
  EXPECT_EQ(odbc.fetch(first), SQL_NO_DATA);
  EXPECT_EQ(odbc.fetch(second), SQL_SUCCESS);
  EXPECT_EQ(buffer, std::string("second\0x", 8));
}

TEST_F(Scripting, RowsForEveryExecution) {
  odbc_double::script_row(odbc_double::every_occurrence, {"any"});
  odbc_double::script_rows(3, {});
  SQLHSTMT statements[] = {odbc.executed("A"), odbc.executed("B"), odbc.executed("C")};
  EXPECT_EQ(odbc.fetch(statements[0]), SQL_SUCCESS);
  EXPECT_EQ(odbc.fetch(statements[1]), SQL_SUCCESS);
  EXPECT_EQ(odbc.fetch(statements[2]), SQL_NO_DATA);
}

TEST_F(Scripting, FailedExecutionAttachesNoRows) {
  odbc_double::script_row(1, {"value"});
  odbc_double::fail(Function::exec, 1);
  SQLHSTMT statement = odbc.executed("SELECT");
  EXPECT_EQ(odbc.fetch(statement), SQL_ERROR);
  EXPECT_EQ(odbc_double::calls_of(Function::fetch).at(0).note, "no statement executed");
}

TEST_F(Scripting, FailedDropKeepsTheStatementOpen) {
  odbc_double::fail(Function::free, 1);
  SQLHSTMT statement = odbc.executed("SELECT");
  EXPECT_EQ(odbc.free(statement, SQL_DROP), SQL_ERROR);
  EXPECT_EQ(odbc_double::open_statements(), std::vector<SQLHSTMT>{statement});
  EXPECT_EQ(odbc.free(statement, SQL_DROP), SQL_SUCCESS);
  EXPECT_TRUE(odbc_double::open_statements().empty());
}

TEST_F(Scripting, HandlesNotOpenAreInvalid) {
  SQLHSTMT statement = odbc.executed("SELECT");
  odbc.free(statement, SQL_DROP);
  EXPECT_EQ(odbc.fetch(statement), SQL_INVALID_HANDLE);
  EXPECT_EQ(odbc.fetch(SQL_NULL_HSTMT), SQL_INVALID_HANDLE);
  EXPECT_EQ(odbc.free(statement, SQL_DROP), SQL_INVALID_HANDLE);
}

TEST_F(Scripting, ScriptedResultOnAnInvalidHandleIsReturnedButDoesNothing) {
  odbc_double::script_row(1, {"value"});
  odbc_double::script(Function::exec, 1, {.result = SQL_SUCCESS});
  SQLCHAR text[] = "SELECT";
  EXPECT_EQ(odbc.exec(SQL_NULL_HSTMT, text, SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(odbc_double::calls().at(0).note, "statement handle is not open");
}

TEST_F(Scripting, CloseDiscardsRowsAndUnbindForgetsColumns) {
  std::string buffer(8, 'x');
  SQLHSTMT statement = bound_to(buffer);
  odbc.free(statement, SQL_UNBIND);
  EXPECT_EQ(odbc.fetch(statement), SQL_SUCCESS);
  EXPECT_EQ(buffer, std::string(8, 'x'));
  odbc.free(statement, SQL_CLOSE);
  EXPECT_EQ(odbc.fetch(statement), SQL_ERROR);
}

TEST_F(Scripting, ResetForgetsScriptsTimelineAndStatements) {
  odbc_double::fail(Function::exec, odbc_double::every_occurrence);
  odbc_double::set_driver_style(odbc_double::DriverStyle::zero_fill);
  odbc.executed("SELECT");
  odbc_double::reset();
  EXPECT_TRUE(odbc_double::calls().empty());
  EXPECT_TRUE(odbc_double::open_statements().empty());
  odbc_double::script_row(1, {"a"});
  std::string buffer(4, 'x');
  SQLLEN length = 0;
  SQLHSTMT statement = odbc.executed("SELECT");
  odbc.bind(statement, 1, SQL_C_CHAR, buffer.data(), 4, &length);
  EXPECT_EQ(odbc.fetch(statement), SQL_SUCCESS);
  EXPECT_EQ(buffer, std::string("a\0xx", 4));
}

TEST_F(Scripting, MisuseOfTheScriptIsRefused) {
  EXPECT_THROW(odbc_double::fail(Function::converter, 1), std::invalid_argument);
  EXPECT_THROW(odbc_double::fail(Function::fetch, -1), std::invalid_argument);
  EXPECT_THROW(odbc_double::statement_handle(0), std::invalid_argument);
}

}  // namespace
