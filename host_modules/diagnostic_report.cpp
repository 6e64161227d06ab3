#include "diagnostic_report.hpp"

#include <sqlext.h>

#include <cstring>

#include "platform.hpp"

namespace host_modules {
namespace {

SQLHANDLE read_handle_field(const void* field) {
  SQLHANDLE handle = nullptr;
  // Host fields need not be aligned for a pointer.
  if (field != nullptr) std::memcpy(&handle, field, sizeof handle);
  return handle;
}

const char* handle_kind(SQLSMALLINT handle_type) {
  switch (handle_type) {
    case SQL_HANDLE_STMT:
      return "statement";
    case SQL_HANDLE_DBC:
      return "connection";
    default:
      return "environment";
  }
}

bool is_warning(const SQLCHAR* sqlstate) {
  return sqlstate[0] == '0' && sqlstate[1] == '1';
}

// A report without a record of the driver's: the line, and a record with no SQLSTATE.
int report_trouble(std::FILE* out, DiagnosticJournal* journal, const char* text) {
  if (out != nullptr) std::fprintf(out, "SOLVAKE: %s\n", text);
  if (journal != nullptr) journal->add("", 0, text);
  return 1;
}

}  // namespace

void DiagnosticJournal::add(const char* sqlstate, long native_error, const char* message) {
  solvake_record& record = records_.add();
  std::snprintf(record.sqlstate, sizeof record.sqlstate, "%s", sqlstate);
  record.native_error = static_cast<int>(native_error);
  record.report = reports_;
  std::snprintf(record.message, sizeof record.message, "%s", message);
}

int DiagnosticJournal::take(solvake_records* taken) {
  const int reports = reports_;
  if (taken != nullptr) {
    taken->reports = reports_;
    taken->errors = errors_;
    taken->count = static_cast<int>(records_.count());
    taken->kept = static_cast<int>(records_.take(taken->records));
  }
  records_.forget();
  reports_ = 0;
  errors_ = 0;
  return reports;
}

DiagnosticSource choose_diagnostic_source(const void* statement_field,
                                          const void* environment_field,
                                          const void* connection_field) {
  if (SQLHANDLE statement = read_handle_field(statement_field)) return {SQL_HANDLE_STMT, statement};
  if (SQLHANDLE connection = read_handle_field(connection_field)) {
    return {SQL_HANDLE_DBC, connection};
  }
  return {SQL_HANDLE_ENV, read_handle_field(environment_field)};
}

int report_diagnostics(DiagnosticRecordReader read_record, DiagnosticSource source, std::FILE* out,
                       DiagnosticJournal* journal) {
  if (read_record == nullptr) {
    // Named as this system names it: libodbc.so.2, ODBC32.DLL.
    char text[64];
    std::snprintf(text, sizeof text, "the ODBC driver manager %s could not be loaded",
                  lookup_frame::platform::kDriverManager);
    return report_trouble(out, journal, text);
  }
  if (source.handle == nullptr) {
    return report_trouble(out, journal, "no handle to read diagnostic records from");
  }
  bool only_warnings = true;
  SQLSMALLINT record = 1;
  for (; record <= kMostDiagnosticRecords; ++record) {
    SQLCHAR sqlstate[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native_error = 0;
    SQLCHAR message[kDiagnosticMessageCapacity] = {};
    SQLSMALLINT message_length = 0;
    const SQLRETURN rc =
        read_record(source.handle_type, source.handle, record, sqlstate, &native_error, message,
                    kDiagnosticMessageCapacity, &message_length);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
    // A driver that fills the buffers to the brim still leaves us terminated text.
    sqlstate[SQL_SQLSTATE_SIZE] = '\0';
    message[kDiagnosticMessageCapacity - 1] = '\0';
    const char* state_text = reinterpret_cast<char*>(sqlstate);
    const char* message_text = reinterpret_cast<char*>(message);
    if (out != nullptr) {
      std::fprintf(out, "SOLVAKE: SQLSTATE %s native %ld: %s\n", state_text,
                   static_cast<long>(native_error), message_text);
    }
    if (journal != nullptr) journal->add(state_text, native_error, message_text);
    only_warnings = only_warnings && is_warning(sqlstate);
  }
  if (record == 1) {
    char text[64];
    std::snprintf(text, sizeof text, "no diagnostic records on the %s handle",
                  handle_kind(source.handle_type));
    return report_trouble(out, journal, text);
  }
  return only_warnings ? 0 : 1;
}

}  // namespace host_modules
