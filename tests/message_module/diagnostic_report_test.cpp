// The record walk of the message module against a scripted driver manager, for what the SQLite
// driver cannot produce: several records on one handle, endless records, overlong messages.

#include "diagnostic_report.hpp"

#include <gtest/gtest.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using host_modules::choose_diagnostic_source;
using host_modules::DiagnosticSource;
using host_modules::report_diagnostics;

struct ScriptedRecord {
  std::string sqlstate;
  SQLINTEGER native_error;
  std::string message;
};

struct ReadCall {
  SQLSMALLINT handle_type;
  SQLHANDLE handle;
  SQLSMALLINT record_number;
};

// What the scripted reader hands out and what it was asked for.
std::vector<ScriptedRecord> scripted_records;
std::vector<ReadCall> read_calls;
SQLRETURN after_last_record = SQL_NO_DATA;
bool records_never_end = false;
bool fill_message_without_terminator = false;

SQLRETURN scripted_reader(SQLSMALLINT handle_type, SQLHANDLE handle, SQLSMALLINT record_number,
                          SQLCHAR* sqlstate, SQLINTEGER* native_error, SQLCHAR* message,
                          SQLSMALLINT message_capacity, SQLSMALLINT* message_length) {
  read_calls.push_back({handle_type, handle, record_number});
  if (fill_message_without_terminator) {
    std::memset(sqlstate, 'S', SQL_SQLSTATE_SIZE + 1);
    std::memset(message, 'm', static_cast<std::size_t>(message_capacity));
    *native_error = 7;
    *message_length = 2000;
    return record_number == 1 ? SQL_SUCCESS_WITH_INFO : SQL_NO_DATA;
  }
  const std::size_t index = static_cast<std::size_t>(record_number - 1);
  if (records_never_end) {
    std::memcpy(sqlstate, "01004", SQL_SQLSTATE_SIZE + 1);
    std::snprintf(reinterpret_cast<char*>(message), static_cast<std::size_t>(message_capacity),
                  "warning %d", record_number);
    *native_error = record_number;
    return SQL_SUCCESS;
  }
  if (index >= scripted_records.size()) return after_last_record;
  const ScriptedRecord& record = scripted_records[index];
  std::memcpy(sqlstate, record.sqlstate.c_str(), SQL_SQLSTATE_SIZE + 1);
  *native_error = record.native_error;
  std::snprintf(reinterpret_cast<char*>(message), static_cast<std::size_t>(message_capacity), "%s",
                record.message.c_str());
  *message_length = static_cast<SQLSMALLINT>(record.message.size());
  return SQL_SUCCESS;
}

class DiagnosticReport : public testing::Test {
 protected:
  void SetUp() override {
    scripted_records.clear();
    read_calls.clear();
    after_last_record = SQL_NO_DATA;
    records_never_end = false;
    fill_message_without_terminator = false;
  }

  // Runs the report into memory and returns what it wrote.
  std::string report(host_modules::DiagnosticRecordReader reader, DiagnosticSource source) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    result_ = report_diagnostics(reader, source, out);
    std::fclose(out);
    std::string written(text, size);
    std::free(text);
    return written;
  }

  int result_ = -1;
  int statement_marker_ = 0;
  SQLHANDLE statement_ = &statement_marker_;
};

TEST_F(DiagnosticReport, WritesEveryRecordInOrder) {
  scripted_records = {{"01004", 0, "String data, right truncated"},
                      {"01S02", 12, "Option value changed"},
                      {"01000", -3, "General warning"}};
  const std::string written = report(scripted_reader, {SQL_HANDLE_STMT, statement_});
  EXPECT_EQ(written,
            "SOLVAKE: SQLSTATE 01004 native 0: String data, right truncated\n"
            "SOLVAKE: SQLSTATE 01S02 native 12: Option value changed\n"
            "SOLVAKE: SQLSTATE 01000 native -3: General warning\n");
  EXPECT_EQ(result_, 0);
  ASSERT_EQ(read_calls.size(), 4u);
  for (SQLSMALLINT i = 0; i < 4; ++i) {
    EXPECT_EQ(read_calls[i].handle_type, SQL_HANDLE_STMT);
    EXPECT_EQ(read_calls[i].handle, statement_);
    EXPECT_EQ(read_calls[i].record_number, i + 1);
  }
}

TEST_F(DiagnosticReport, OneErrorAmongWarningsIsAnError) {
  // Wherever the error stands: a failed fetch must never pass for a warning.
  const ScriptedRecord warning{"01004", 0, "truncated"};
  const ScriptedRecord error{"42S02", 208, "Invalid object name"};
  const std::vector<std::vector<ScriptedRecord>> orders = {
      {warning, error}, {error, warning}, {warning, error, warning}};
  for (const std::vector<ScriptedRecord>& records : orders) {
    scripted_records = records;
    std::string expected;
    for (const ScriptedRecord& record : records) {
      expected += "SOLVAKE: SQLSTATE " + record.sqlstate + " native " +
                  std::to_string(record.native_error) + ": " + record.message + "\n";
    }
    EXPECT_EQ(report(scripted_reader, {SQL_HANDLE_STMT, statement_}), expected);
    EXPECT_EQ(result_, 1) << expected;
  }
}

TEST_F(DiagnosticReport, OnlyClassZeroOneIsAWarning) {
  for (const char* sqlstate : {"00000", "10000", "02000", "HY000", "IM001"}) {
    scripted_records = {{sqlstate, 0, "x"}};
    report(scripted_reader, {SQL_HANDLE_STMT, statement_});
    EXPECT_EQ(result_, 1) << sqlstate;
  }
}

TEST_F(DiagnosticReport, NoRecordIsAnError) {
  const std::string written = report(scripted_reader, {SQL_HANDLE_DBC, statement_});
  EXPECT_EQ(written, "SOLVAKE: no diagnostic records on the connection handle\n");
  EXPECT_EQ(result_, 1);
}

TEST_F(DiagnosticReport, StopsAtTheFirstFailedRead) {
  scripted_records = {{"01004", 0, "truncated"}};
  after_last_record = SQL_ERROR;
  const std::string written = report(scripted_reader, {SQL_HANDLE_STMT, statement_});
  EXPECT_EQ(written, "SOLVAKE: SQLSTATE 01004 native 0: truncated\n");
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(read_calls.size(), 2u);
}

TEST_F(DiagnosticReport, InvalidHandleGivesNoRecord) {
  scripted_records = {};
  after_last_record = SQL_INVALID_HANDLE;
  const std::string written = report(scripted_reader, {SQL_HANDLE_ENV, statement_});
  EXPECT_EQ(written, "SOLVAKE: no diagnostic records on the environment handle\n");
  EXPECT_EQ(result_, 1);
}

TEST_F(DiagnosticReport, NullHandleIsNotHandedToTheDriverManager) {
  const std::string written = report(scripted_reader, {SQL_HANDLE_ENV, nullptr});
  EXPECT_EQ(written, "SOLVAKE: no handle to read diagnostic records from\n");
  EXPECT_EQ(result_, 1);
  EXPECT_TRUE(read_calls.empty());
}

TEST_F(DiagnosticReport, EndlessRecordsAreCapped) {
  records_never_end = true;
  const std::string written = report(scripted_reader, {SQL_HANDLE_STMT, statement_});
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(read_calls.size(), static_cast<std::size_t>(host_modules::kMostDiagnosticRecords));
  std::string expected;
  for (int i = 1; i <= host_modules::kMostDiagnosticRecords; ++i) {
    expected += "SOLVAKE: SQLSTATE 01004 native " + std::to_string(i) + ": warning " +
                std::to_string(i) + "\n";
  }
  EXPECT_EQ(written, expected);
}

TEST_F(DiagnosticReport, OverlongMessageIsCutAtTheBuffer) {
  fill_message_without_terminator = true;
  const std::string written = report(scripted_reader, {SQL_HANDLE_STMT, statement_});
  EXPECT_EQ(written, "SOLVAKE: SQLSTATE SSSSS native 7: " +
                         std::string(host_modules::kDiagnosticMessageCapacity - 1, 'm') + "\n");
  EXPECT_EQ(result_, 1);
}

TEST_F(DiagnosticReport, MissingDriverManagerIsReported) {
  const std::string written = report(nullptr, {SQL_HANDLE_STMT, statement_});
  EXPECT_EQ(written, "SOLVAKE: the ODBC driver manager libodbc.so.2 could not be loaded\n");
  EXPECT_EQ(result_, 1);
}

TEST(DiagnosticSourceChoice, PrefersStatementThenConnectionThenEnvironment) {
  int markers[3];
  SQLHANDLE statement = &markers[0];
  SQLHANDLE environment = &markers[1];
  SQLHANDLE connection = &markers[2];
  SQLHANDLE none = nullptr;

  DiagnosticSource source = choose_diagnostic_source(&statement, &environment, &connection);
  EXPECT_EQ(source.handle_type, SQL_HANDLE_STMT);
  EXPECT_EQ(source.handle, statement);

  source = choose_diagnostic_source(&none, &environment, &connection);
  EXPECT_EQ(source.handle_type, SQL_HANDLE_DBC);
  EXPECT_EQ(source.handle, connection);

  source = choose_diagnostic_source(nullptr, &environment, nullptr);
  EXPECT_EQ(source.handle_type, SQL_HANDLE_ENV);
  EXPECT_EQ(source.handle, environment);

  source = choose_diagnostic_source(nullptr, nullptr, nullptr);
  EXPECT_EQ(source.handle_type, SQL_HANDLE_ENV);
  EXPECT_EQ(source.handle, nullptr);
}

TEST(DiagnosticSourceChoice, ReadsHandleFieldsAtAnyAlignment) {
  int marker = 0;
  SQLHANDLE connection = &marker;
  unsigned char fields[1 + 3 * sizeof(SQLHANDLE)] = {};
  unsigned char* connection_field = fields + 1 + 2 * sizeof(SQLHANDLE);
  std::memcpy(connection_field, &connection, sizeof connection);
  const DiagnosticSource source =
      choose_diagnostic_source(fields + 1, fields + 1 + sizeof(SQLHANDLE), connection_field);
  EXPECT_EQ(source.handle_type, SQL_HANDLE_DBC);
  EXPECT_EQ(source.handle, connection);
}

}  // namespace
