// The built SOLVAKE module against the real driver manager and the SQLite ODBC driver, called the
// way a lookup calls it: with the addresses of the host's three handle fields.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>

#include "item_lookup.h"
#include "temporary_folder.hpp"

namespace {

using SolvakeEntry = int (*)(void* statement_field, void* environment_field,
                             void* connection_field);

struct HandleFields {
  SQLHANDLE statement;
  SQLHANDLE environment;
  SQLHANDLE connection;
};

// The lines the module should write for `handle`, read here straight from the driver manager.
std::string lines_from_driver_manager(SQLSMALLINT handle_type, SQLHANDLE handle) {
  std::string lines;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR sqlstate[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native_error = 0;
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(handle_type, handle, record, sqlstate, &native_error, message,
                                     sizeof message, &length))) {
      return lines;
    }
    lines += "SOLVAKE: SQLSTATE " + std::string(reinterpret_cast<char*>(sqlstate)) + " native " +
             std::to_string(native_error) + ": " + reinterpret_cast<char*>(message) + "\n";
  }
}

class SolvakeWithSqlite : public testing::Test {
 protected:
  void SetUp() override {
    module_ = dlopen(SOLVAKE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
    solvake_ = reinterpret_cast<SolvakeEntry>(dlsym(module_, "SOLVAKE"));
    ASSERT_NE(solvake_, nullptr) << dlerror();
    take_ = reinterpret_cast<solvake_take_entry>(dlsym(module_, "SOLVAKE_TAKE"));
    ASSERT_NE(take_, nullptr) << dlerror();
    take_(nullptr, SOLVAKE_LINES_ON);

    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_), SQL_SUCCESS);
    ASSERT_EQ(SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION,
                            reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_SUCCESS);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_), SQL_SUCCESS);
    const std::string connection_text = "DRIVER=SQLite3;Database=" + database_path_;
    const SQLRETURN connected =
        SQLDriverConnect(connection_, nullptr,
                         reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection_text.c_str())),
                         SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(SQL_SUCCEEDED(connected)) << lines_from_driver_manager(SQL_HANDLE_DBC, connection_);
    connected_ = true;
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement_), SQL_SUCCESS);
  }

  void TearDown() override {
    if (statement_ != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, statement_);
    if (connected_) SQLDisconnect(connection_);
    if (connection_ != nullptr) SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    if (environment_ != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    if (module_ != nullptr) dlclose(module_);
  }

  HandleFields all_fields() const { return {statement_, environment_, connection_}; }

  // Calls the module with the given field addresses; returns what it wrote to standard error.
  std::string report_with(void* statement_field, void* environment_field, void* connection_field) {
    testing::internal::CaptureStderr();
    result_ = solvake_(statement_field, environment_field, connection_field);
    return testing::internal::GetCapturedStderr();
  }

  // Calls the module with the addresses of `fields` and checks that it left them as they were.
  std::string report(HandleFields fields) {
    const HandleFields before = fields;
    std::string written = report_with(&fields.statement, &fields.environment, &fields.connection);
    EXPECT_EQ(fields.statement, before.statement);
    EXPECT_EQ(fields.environment, before.environment);
    EXPECT_EQ(fields.connection, before.connection);
    return written;
  }

  SQLRETURN execute(const char* sql) {
    return SQLExecDirect(statement_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
  }

  // Leaves 01004 on the statement: each column is fetched into a buffer of 3 bytes.
  void fetch_truncated(const char* sql, int columns) {
    ASSERT_EQ(execute(sql), SQL_SUCCESS);
    for (int column = 0; column < columns; ++column) {
      ASSERT_EQ(
          SQLBindCol(statement_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR,
                     short_buffers_[column], sizeof short_buffers_[column], &lengths_[column]),
          SQL_SUCCESS);
    }
    ASSERT_EQ(SQLFetch(statement_), SQL_SUCCESS_WITH_INFO);
  }

  void* module_ = nullptr;
  SolvakeEntry solvake_ = nullptr;
  solvake_take_entry take_ = nullptr;
  const test_support::TemporaryFolder folder_{"solvake-"};
  const std::string database_path_ = (folder_ / "test.db").string();
  SQLHANDLE environment_ = nullptr;
  SQLHANDLE connection_ = nullptr;
  SQLHANDLE statement_ = nullptr;
  bool connected_ = false;
  int result_ = -1;
  char short_buffers_[3][3] = {};
  SQLLEN lengths_[3] = {};
};

TEST_F(SolvakeWithSqlite, MissingTableIsAnError) {
  ASSERT_EQ(execute("SELECT * FROM missing_table"), SQL_ERROR);
  const std::string written = report(all_fields());
  EXPECT_EQ(result_, 1);
  EXPECT_EQ(written, lines_from_driver_manager(SQL_HANDLE_STMT, statement_));
  EXPECT_EQ(written.rfind("SOLVAKE: SQLSTATE HY000 native 1: ", 0), 0u) << written;
  EXPECT_NE(written.find("no such table: missing_table"), std::string::npos) << written;
}

TEST_F(SolvakeWithSqlite, SyntaxErrorIsAnError) {
  ASSERT_EQ(execute("SELEC 1"), SQL_ERROR);
  const std::string written = report(all_fields());
  EXPECT_EQ(result_, 1);
  EXPECT_EQ(written, lines_from_driver_manager(SQL_HANDLE_STMT, statement_));
  EXPECT_NE(written.find("syntax error"), std::string::npos) << written;
}

TEST_F(SolvakeWithSqlite, TruncatedFetchIsOnlyAWarning) {
  fetch_truncated("SELECT 'abcdef'", 1);
  EXPECT_STREQ(short_buffers_[0], "ab");
  const std::string written = report(all_fields());
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(written, lines_from_driver_manager(SQL_HANDLE_STMT, statement_));
  EXPECT_EQ(written.rfind("SOLVAKE: SQLSTATE 01004 native ", 0), 0u) << written;
}

// The driver keeps one record per call even when several columns are cut, so this shows that
// reading the records twice leaves them, and the statement, as they were. Several records on one
// handle are walked in diagnostic_report_test.
TEST_F(SolvakeWithSqlite, ReportingTwiceLeavesTheStatementUsable) {
  fetch_truncated("SELECT 'abcdef', 'ghijkl', 'mnopqr'", 3);
  const std::string expected = lines_from_driver_manager(SQL_HANDLE_STMT, statement_);
  ASSERT_FALSE(expected.empty());

  EXPECT_EQ(report(all_fields()), expected);
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(report(all_fields()), expected);
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(lines_from_driver_manager(SQL_HANDLE_STMT, statement_), expected);

  ASSERT_EQ(SQLFreeStmt(statement_, SQL_CLOSE), SQL_SUCCESS);
  ASSERT_EQ(SQLFreeStmt(statement_, SQL_UNBIND), SQL_SUCCESS);
  ASSERT_EQ(execute("SELECT 42"), SQL_SUCCESS);
  char value[8] = {};
  SQLLEN length = 0;
  ASSERT_EQ(SQLBindCol(statement_, 1, SQL_C_CHAR, value, sizeof value, &length), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(statement_), SQL_SUCCESS);
  EXPECT_STREQ(value, "42");
}

TEST_F(SolvakeWithSqlite, StatementIsPreferredOverConnection) {
  ASSERT_EQ(execute("SELECT * FROM missing_table"), SQL_ERROR);
  ASSERT_EQ(SQLSetConnectAttr(connection_, SQL_ATTR_TXN_ISOLATION,
                              reinterpret_cast<SQLPOINTER>(SQL_TXN_READ_UNCOMMITTED), 0),
            SQL_SUCCESS_WITH_INFO);
  const std::string written = report(all_fields());
  EXPECT_EQ(result_, 1);
  EXPECT_EQ(written, lines_from_driver_manager(SQL_HANDLE_STMT, statement_));
  EXPECT_EQ(written.find("01S02"), std::string::npos) << written;
}

TEST_F(SolvakeWithSqlite, NullStatementReadsTheConnection) {
  ASSERT_EQ(SQLSetConnectAttr(connection_, SQL_ATTR_TXN_ISOLATION,
                              reinterpret_cast<SQLPOINTER>(SQL_TXN_READ_UNCOMMITTED), 0),
            SQL_SUCCESS_WITH_INFO);
  const std::string expected = lines_from_driver_manager(SQL_HANDLE_DBC, connection_);
  EXPECT_EQ(expected.rfind("SOLVAKE: SQLSTATE 01S02 native ", 0), 0u) << expected;

  HandleFields fields = all_fields();
  fields.statement = nullptr;
  EXPECT_EQ(report(fields), expected);
  EXPECT_EQ(result_, 0);

  EXPECT_EQ(report_with(nullptr, &fields.environment, &fields.connection), expected);
  EXPECT_EQ(result_, 0);
}

TEST_F(SolvakeWithSqlite, ConnectionErrorIsAnError) {
  // The packet size can only be chosen before connecting.
  ASSERT_EQ(
      SQLSetConnectAttr(connection_, SQL_ATTR_PACKET_SIZE, reinterpret_cast<SQLPOINTER>(5), 0),
      SQL_ERROR);
  HandleFields fields = all_fields();
  fields.statement = nullptr;
  const std::string written = report(fields);
  EXPECT_EQ(result_, 1);
  EXPECT_EQ(written, lines_from_driver_manager(SQL_HANDLE_DBC, connection_));
  EXPECT_EQ(written.rfind("SOLVAKE: SQLSTATE HY011 native ", 0), 0u) << written;
}

TEST_F(SolvakeWithSqlite, OnlyEnvironmentReadsTheEnvironment) {
  ASSERT_EQ(SQLSetEnvAttr(environment_, 9999, reinterpret_cast<SQLPOINTER>(1), 0), SQL_ERROR);
  const std::string expected = lines_from_driver_manager(SQL_HANDLE_ENV, environment_);
  ASSERT_FALSE(expected.empty());

  const std::string written = report({nullptr, environment_, nullptr});
  EXPECT_EQ(result_, 1);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(report_with(nullptr, &environment_, nullptr), expected);
}

TEST_F(SolvakeWithSqlite, NoHandleAtAllIsAnErrorWithoutRecords) {
  const std::string no_handle = "SOLVAKE: no handle to read diagnostic records from\n";
  EXPECT_EQ(report({nullptr, nullptr, nullptr}), no_handle);
  EXPECT_EQ(result_, 1);
  EXPECT_EQ(report_with(nullptr, nullptr, nullptr), no_handle);
  EXPECT_EQ(result_, 1);
}

TEST_F(SolvakeWithSqlite, StatementWithoutRecordsIsAnError) {
  ASSERT_EQ(execute("SELECT 1"), SQL_SUCCESS);
  EXPECT_EQ(report(all_fields()), "SOLVAKE: no diagnostic records on the statement handle\n");
  EXPECT_EQ(result_, 1);
}

// What the host reads back through SOLVAKE_TAKE: every report since it last asked, the records
// of each with their report's number, the last SOLVAKE_RECORDS_KEPT of them; then nothing.
TEST_F(SolvakeWithSqlite, HostTakesWhatWasReportedSinceItLastAsked) {
  fetch_truncated("SELECT 'abcdef'", 1);
  report(all_fields());
  ASSERT_EQ(SQLFreeStmt(statement_, SQL_CLOSE), SQL_SUCCESS);
  ASSERT_EQ(execute("SELECT * FROM missing_table"), SQL_ERROR);
  report(all_fields());
  report({nullptr, nullptr, nullptr});

  solvake_records taken;
  std::memset(&taken, '#', sizeof taken);
  EXPECT_EQ(take_(&taken, SOLVAKE_LINES_UNCHANGED), 3);
  EXPECT_EQ(taken.reports, 3);
  EXPECT_EQ(taken.errors, 2);
  ASSERT_EQ(taken.count, 3);
  ASSERT_EQ(taken.kept, 3);
  EXPECT_STREQ(taken.records[0].sqlstate, "01004");
  EXPECT_EQ(taken.records[0].report, 1);
  EXPECT_STREQ(taken.records[1].sqlstate, "HY000");
  EXPECT_EQ(taken.records[1].native_error, 1);
  EXPECT_EQ(taken.records[1].report, 2);
  EXPECT_NE(std::strstr(taken.records[1].message, "no such table: missing_table"), nullptr);
  EXPECT_STREQ(taken.records[2].sqlstate, "");
  EXPECT_STREQ(taken.records[2].message, "no handle to read diagnostic records from");
  EXPECT_EQ(taken.records[2].report, 3);

  EXPECT_EQ(take_(&taken, SOLVAKE_LINES_UNCHANGED), 0);
  EXPECT_EQ(taken.count, 0);
  EXPECT_EQ(taken.kept, 0);

  // Lines off: the host alone hears of it, and only the last records are kept.
  take_(nullptr, SOLVAKE_LINES_OFF);
  for (int i = 0; i < SOLVAKE_RECORDS_KEPT + 2; ++i) {
    EXPECT_EQ(report({nullptr, nullptr, nullptr}), "");
  }
  EXPECT_EQ(take_(&taken, SOLVAKE_LINES_ON), SOLVAKE_RECORDS_KEPT + 2);
  EXPECT_EQ(taken.count, SOLVAKE_RECORDS_KEPT + 2);
  EXPECT_EQ(taken.kept, SOLVAKE_RECORDS_KEPT);
  EXPECT_EQ(taken.records[0].report, 3);
  EXPECT_EQ(taken.records[SOLVAKE_RECORDS_KEPT - 1].report, SOLVAKE_RECORDS_KEPT + 2);
  EXPECT_NE(report({nullptr, nullptr, nullptr}), "");

  // Nowhere to copy to: the host still learns how many reports there were, and they are gone.
  report({nullptr, nullptr, nullptr});
  EXPECT_EQ(take_(nullptr, SOLVAKE_LINES_UNCHANGED), 2);
  EXPECT_EQ(take_(&taken, SOLVAKE_LINES_UNCHANGED), 0);
  EXPECT_EQ(taken.count, 0);
}

TEST_F(SolvakeWithSqlite, ReadsUnalignedHostFieldsWithoutWritingThem) {
  fetch_truncated("SELECT 'abcdef'", 1);
  // Host working storage packs fields end to end, so a handle field may sit at any address.
  unsigned char storage[1 + sizeof(HandleFields)];
  storage[0] = '*';
  const HandleFields fields = all_fields();
  std::memcpy(storage + 1, &fields, sizeof fields);
  unsigned char before[sizeof storage];
  std::memcpy(before, storage, sizeof storage);

  const std::string written = report_with(storage + 1, storage + 1 + sizeof(SQLHANDLE),
                                          storage + 1 + 2 * sizeof(SQLHANDLE));
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(written, lines_from_driver_manager(SQL_HANDLE_STMT, statement_));
  EXPECT_EQ(std::memcmp(storage, before, sizeof storage), 0);
}

}  // namespace
