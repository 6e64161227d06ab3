// What the timeline holds for each ODBC call.

#include <gtest/gtest.h>
#include <sqlext.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "loaded_driver_manager.hpp"
#include "odbc_double.hpp"

namespace {

using odbc_double::Function;

class Recording : public testing::Test {
 protected:
  void SetUp() override { odbc_double::reset(); }

  LoadedDriverManager odbc;
  SQLHDBC connection = reinterpret_cast<SQLHDBC>(0xC0);
};

TEST_F(Recording, AStatementCycleIsRecordedCallByCall) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  char text[] = "SELECT A FROM T\0garbage";
  char target[6];
  SQLLEN indicator = 0;
  odbc.alloc(connection, &statement);
  odbc.set_option(statement, SQL_CURSOR_TYPE, SQL_CURSOR_STATIC);
  odbc.exec(statement, reinterpret_cast<SQLCHAR*>(text), SQL_NTS);
  odbc.bind(statement, 1, SQL_C_CHAR, target, sizeof target, &indicator);
  odbc.fetch(statement);
  odbc.free(statement, SQL_DROP);

  EXPECT_EQ(odbc_double::functions(),
            (std::vector<Function>{Function::alloc, Function::set_option, Function::exec,
                                   Function::bind, Function::fetch, Function::free}));
  const std::vector<odbc_double::Call> calls = odbc_double::calls();
  EXPECT_EQ(calls[0].connection, connection);
  EXPECT_EQ(calls[0].statement_field, &statement);
  EXPECT_EQ(calls[0].statement, odbc_double::statement_handle(1));
  EXPECT_EQ(calls[1].statement, statement);
  EXPECT_EQ(calls[1].option, SQL_CURSOR_TYPE);
  EXPECT_EQ(calls[1].option_value, SQL_CURSOR_STATIC);
  EXPECT_EQ(calls[2].text, "SELECT A FROM T");
  EXPECT_EQ(calls[2].text_length, SQL_NTS);
  EXPECT_EQ(calls[3].column, 1);
  EXPECT_EQ(calls[3].c_type, SQL_C_CHAR);
  EXPECT_EQ(calls[3].target, target);
  EXPECT_EQ(calls[3].buffer_length, 6);
  EXPECT_EQ(calls[3].indicator, &indicator);
  EXPECT_EQ(calls[4].result, SQL_NO_DATA);
  EXPECT_EQ(calls[4].row, 0);
  EXPECT_EQ(calls[5].statement, statement);
  EXPECT_EQ(calls[5].option, SQL_DROP);
  for (const odbc_double::Call& call : calls) EXPECT_EQ(call.note, "") << call;
}

TEST_F(Recording, ExplicitTextLengthIsReadByteForByte) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  odbc.alloc(connection, &statement);
  char text[] = {'S', '\0', 'L', '#'};
  odbc.exec(statement, reinterpret_cast<SQLCHAR*>(text), 3);
  EXPECT_EQ(odbc_double::calls().at(1).text, std::string("S\0L", 3));
  EXPECT_EQ(odbc_double::calls().at(1).text_length, 3);
}

TEST_F(Recording, EveryAllocationIsTrackedUntilDropped) {
  SQLHSTMT first = SQL_NULL_HSTMT, second = SQL_NULL_HSTMT;
  odbc.alloc(connection, &first);
  odbc.alloc(connection, &second);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(odbc_double::open_statements(), (std::vector<SQLHSTMT>{first, second}));
  odbc.free(first, SQL_CLOSE);
  odbc.free(first, SQL_DROP);
  EXPECT_EQ(odbc_double::open_statements(), (std::vector<SQLHSTMT>{second}));
}

TEST_F(Recording, RefusedCallsSayWhy) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  odbc.alloc(connection, &statement);
  char target[4];
  EXPECT_EQ(odbc.bind(statement, 1, SQL_C_CHAR, target, -1, nullptr), SQL_ERROR);
  EXPECT_EQ(odbc.alloc(connection, nullptr), SQL_ERROR);
  EXPECT_EQ(odbc_double::calls().at(1).note, "negative buffer length");
  EXPECT_EQ(odbc_double::calls().at(2).note, "no handle field");
}

TEST_F(Recording, PrintedCallsShowTheBytesAModuleSent) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  odbc.alloc(connection, &statement);
  char text[] = {'A', '\0', '"', '\n'};
  odbc.exec(statement, reinterpret_cast<SQLCHAR*>(text), 4);
  std::ostringstream printed;
  printed << odbc_double::calls().at(1);
  EXPECT_NE(printed.str().find(R"(exec()"), std::string::npos) << printed.str();
  EXPECT_NE(printed.str().find(R"("A\x00\"\x0a", length 4) -> 0)"), std::string::npos)
      << printed.str();
}

TEST_F(Recording, TheProcessDriverManagerIsTheDouble) {
  EXPECT_TRUE(odbc_double::is_process_driver_manager());
  EXPECT_EQ(dlsym(odbc.library(), "SQLFetch"), reinterpret_cast<void*>(&SQLFetch));
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&SQLFetch), &info), 0);
  EXPECT_TRUE(std::filesystem::equivalent(info.dli_fname, ODBC_DOUBLE_FILE)) << info.dli_fname;
}

}  // namespace
