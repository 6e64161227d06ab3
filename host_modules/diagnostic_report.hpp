#pragma once

// Writes the diagnostic records of one ODBC handle as lines of text and judges whether they were
// only warnings.

#include <sql.h>

#include <cstdio>

#include "item_lookup.h"
#include "recent_entries.hpp"

namespace host_modules {

// Same shape and calling convention as the driver manager's SQLGetDiagRec.
using DiagnosticRecordReader = SQLRETURN(SQL_API*)(SQLSMALLINT handle_type, SQLHANDLE handle,
                                                   SQLSMALLINT record_number, SQLCHAR* sqlstate,
                                                   SQLINTEGER* native_error, SQLCHAR* message,
                                                   SQLSMALLINT message_capacity,
                                                   SQLSMALLINT* message_length);

inline constexpr SQLSMALLINT kMostDiagnosticRecords = 64;
inline constexpr SQLSMALLINT kDiagnosticMessageCapacity = SQL_MAX_MESSAGE_LENGTH;

struct DiagnosticSource {
  SQLSMALLINT handle_type;
  SQLHANDLE handle;
};

// Each argument is the address of a host field holding a handle; a null address counts as a null
// handle. Prefers the statement, then the connection, then the environment.
DiagnosticSource choose_diagnostic_source(const void* statement_field,
                                          const void* environment_field,
                                          const void* connection_field);

// The records reported since the host last asked (SOLVAKE_TAKE).
class DiagnosticJournal {
 public:
  void begin_report() { ++reports_; }
  void add(const char* sqlstate, long native_error, const char* message);
  void end_report(int answer) { errors_ += answer != 0 ? 1 : 0; }
  // Fills `taken` (may be null) and forgets. Returns the number of reports.
  int take(solvake_records* taken);

 private:
  int reports_ = 0;
  int errors_ = 0;
  RecentEntries<solvake_record, SOLVAKE_RECORDS_KEPT> records_;
};

// Writes one line per record, in record order, to `out` (nothing when it is null) and notes each
// in `journal` (when not null). Returns 0 when there was at least one record and all were
// warnings (SQLSTATE class 01), otherwise 1. A null `read_record` means the driver manager could
// not be loaded.
int report_diagnostics(DiagnosticRecordReader read_record, DiagnosticSource source, std::FILE* out,
                       DiagnosticJournal* journal = nullptr);

}  // namespace host_modules
