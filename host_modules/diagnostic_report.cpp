#include "diagnostic_report.hpp"

#include <sqlext.h>

#include <cstring>

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

}  // namespace

DiagnosticSource choose_diagnostic_source(const void* statement_field,
                                          const void* environment_field,
                                          const void* connection_field) {
  if (SQLHANDLE statement = read_handle_field(statement_field)) return {SQL_HANDLE_STMT, statement};
  if (SQLHANDLE connection = read_handle_field(connection_field)) {
    return {SQL_HANDLE_DBC, connection};
  }
  return {SQL_HANDLE_ENV, read_handle_field(environment_field)};
}

int report_diagnostics(DiagnosticRecordReader read_record, DiagnosticSource source,
                       std::FILE* out) {
  if (read_record == nullptr) {
    std::fprintf(out, "SOLVAKE: the ODBC driver manager libodbc.so.2 could not be loaded\n");
    return 1;
  }
  if (source.handle == nullptr) {
    std::fprintf(out, "SOLVAKE: no handle to read diagnostic records from\n");
    return 1;
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
    std::fprintf(out, "SOLVAKE: SQLSTATE %s native %ld: %s\n", reinterpret_cast<char*>(sqlstate),
                 static_cast<long>(native_error), reinterpret_cast<char*>(message));
    only_warnings = only_warnings && is_warning(sqlstate);
  }
  if (record == 1) {
    std::fprintf(out, "SOLVAKE: no diagnostic records on the %s handle\n",
                 handle_kind(source.handle_type));
    return 1;
  }
  return only_warnings ? 0 : 1;
}

}  // namespace host_modules
