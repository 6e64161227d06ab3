#include "statement_cycle.hpp"

#include <sqlext.h>

#include <cstring>

#include "odbc_functions.hpp"
#include "outside_modules.hpp"
#include "row_paths.hpp"
#include "statement_text.hpp"

namespace lookup_frame {

namespace {

constexpr char kStaticCursorKind[] = "SQLSERVER      ";
constexpr std::size_t kDatabaseKindWidth = sizeof kStaticCursorKind - 1;

bool wants_static_cursor(const char* database_kind) {
  return std::memcmp(database_kind, kStaticCursorKind, kDatabaseKindWidth) == 0;
}

SQLHDBC connection_of(const LookupCall& call) {
  return *static_cast<SQLHDBC*>(call.parameters[call.module.positions.connection]);
}

void allocate(const LookupCall& call) {
  WorkingRecord& record = call.record;
  record.statement = SQL_NULL_HSTMT;
  if (call.keep(odbc::alloc_stmt(call.names, connection_of(call), &record.statement)) !=
      SQL_SUCCESS) {
    report(call);
  }
  if (wants_static_cursor(call.parameter(call.module.positions.database_kind)) &&
      call.keep(odbc::set_stmt_option(call.names, record.statement, SQL_CURSOR_TYPE,
                                      SQL_CURSOR_STATIC)) != SQL_SUCCESS) {
    report(call);
  }
}

void execute(const LookupCall& call) {
  const int result =
      call.keep(odbc::exec_direct(call.names, call.record.statement,
                                  reinterpret_cast<SQLCHAR*>(call.record.statement_text), SQL_NTS));
  if (result != SQL_SUCCESS && result != SQL_SUCCESS_WITH_INFO) report(call);
}

void bind_columns(const LookupCall& call, std::span<const Field> columns) {
  WorkingRecord& record = call.record;
  record.column_counter = 0;
  for (const Field& column : columns) {
    ++record.column_counter;
    record.buffer_length = column.width + 1;
    if (call.keep(odbc::bind_col(call.names, record.statement, record.column_counter, SQL_C_CHAR,
                                 call.result_field(column), record.buffer_length,
                                 &record.length_indicator)) != SQL_SUCCESS) {
      report(call);
    }
  }
}

// After a reported fetch failure the message module's answer decides: zero reads as a row.
bool fetch_row(const LookupCall& call) {
  reset_result_area(call);
  const int result = call.keep(odbc::fetch(call.names, call.record.statement));
  if (result != SQL_SUCCESS && result != SQL_NO_DATA) report(call);
  return call.record.return_code == SQL_SUCCESS;
}

void drop(const LookupCall& call) {
  const int result = call.keep(odbc::free_stmt(call.names, call.record.statement, SQL_DROP));
  call.record.statement = SQL_NULL_HSTMT;
  if (result != SQL_SUCCESS) report(call);
}

}  // namespace

void reset_result_area(const LookupCall& call) {
  const ResultAreaLayout& layout = call.module.result_area;
  fill(call.record.result_area, layout.text_bytes, ' ');
  for (const Field& field : layout.numeric_fields) fill(call.result_field(field), field.width, '0');
}

bool run_statement(const LookupCall& call, const Statement& statement) {
  write_statement_text(call.record.statement_text, kStatementBufferSize,
                       call.record.statement_extent, statement.text, call.parameters);
  allocate(call);
  execute(call);
  bind_columns(call, statement.columns);
  const bool row = fetch_row(call);
  if (row) {
    take_row_path(call, statement);
  } else {
    take_no_row_path(call, statement);
  }
  drop(call);
  return row;
}

}  // namespace lookup_frame
