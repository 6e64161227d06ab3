// Test double of the ODBC driver manager (libodbc.so.2; ODBC32.DLL on Windows). A test process
// that links it makes every load of the driver manager by a lookup module land here, so the test
// scripts each ODBC result and reads back every call, in order, on one timeline that also holds
// the calls of the stand-in message module and converter under PGMS/.
//
// Typical use:
//   odbc_double::reset();
//   odbc_double::script_row(1, {"12.34", odbc_double::sql_null, "ABC"});
//   odbc_double::fail(odbc_double::Function::fetch, 2);
//   ... call the module ...
//   EXPECT_EQ(odbc_double::functions(), (std::vector<Function>{Function::alloc, ...}));
//   EXPECT_TRUE(odbc_double::open_statements().empty());
//
// Behaviour without a script, like a driver would answer:
// - alloc hands out the fake handle statement_handle(n) for its n-th call; the handle is open
//   until freed with SQL_DROP. Handles are opaque values that fault when dereferenced.
// - A call on a handle that is not open returns SQL_INVALID_HANDLE and changes nothing.
// - exec gives the statement the rows scripted for that execution (none by default).
// - fetch writes the next row into the bound columns and returns SQL_SUCCESS, or
//   SQL_SUCCESS_WITH_INFO when a value was truncated; SQL_NO_DATA when no row is left; SQL_ERROR
//   when nothing was executed or a bound column cannot be served (see Call::note).
// - free: SQL_DROP forgets the handle, SQL_CLOSE discards the rows, SQL_UNBIND the bindings.
// A scripted result replaces what the call returns. Its effects (handle written, rows attached,
// columns written, statement dropped) happen only when the scripted result is SQL_SUCCESS or
// SQL_SUCCESS_WITH_INFO, except where Outcome says otherwise.
#pragma once

#include <sql.h>

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// Windows exports only what is marked so; elsewhere the build hides all but what is marked.
#ifdef _WIN32
#define ODBC_DOUBLE_API __declspec(dllexport)
#else
#define ODBC_DOUBLE_API __attribute__((visibility("default")))
#endif

namespace odbc_double {

// Everything the timeline records: the six ODBC functions, the two host modules, and a host's own
// SQLDriverConnect (Call::text: the connection string) and SQLDisconnect.
enum class Function {
  alloc,
  set_option,
  exec,
  bind,
  fetch,
  free,
  message_module,
  converter,
  connect,
  disconnect
};

// Occurrences count the calls of one function since reset(), from 1. A script for a numbered
// occurrence wins over one for every occurrence.
inline constexpr int every_occurrence = 0;

// What a scripted fetch does with the row it reached when its result is a failure.
enum class Columns { untouched, written };

struct Outcome {
  SQLRETURN result = SQL_SUCCESS;
  // fetch only. A failing fetch still consumes the row it reached; with Columns::written that row
  // is also written into the bound buffers, as a driver that fails after filling them would.
  Columns columns = Columns::untouched;
  // alloc only: written to the caller's handle field when the allocation fails. Unset, a failed
  // allocation writes nothing.
  std::optional<SQLHSTMT> handle_written{};
};

// Scripts the outcome of one of the modules' six ODBC functions (alloc to free) at an occurrence.
ODBC_DOUBLE_API void script(Function function, int occurrence, Outcome outcome);

inline void fail(Function function, int occurrence, SQLRETURN result = SQL_ERROR) {
  script(function, occurrence, Outcome{.result = result});
}

// A column value: any bytes (NULs included), or SQL NULL.
using Value = std::optional<std::string>;
inline constexpr std::nullopt_t sql_null = std::nullopt;
using Row = std::vector<Value>;  // column 1 first

// Rows the n-th executed statement (n-th exec call) delivers, or every_occurrence.
ODBC_DOUBLE_API void script_rows(int execution, std::vector<Row> rows);
inline void script_row(int execution, Row row) {
  script_rows(execution, {std::move(row)});
}

// How fetch leaves the bytes of a bound buffer after the value and its terminating NUL.
enum class DriverStyle {
  terminator_only,  // untouched (the default)
  zero_fill,        // zeroed up to the buffer length
};
ODBC_DOUBLE_API void set_driver_style(DriverStyle style);

// The stand-in message module returns 1 unless scripted otherwise.
ODBC_DOUBLE_API void script_message_module(int occurrence, int result);

// The stand-in converter runs the real numeric text conversion unless scripted otherwise.
enum class ConverterWrites { converted_value, nothing };
struct ConverterReply {
  ConverterWrites writes = ConverterWrites::converted_value;
  // Returned instead of the conversion's own result; unset and writing nothing, it returns 0.
  std::optional<int> result{};
};
ODBC_DOUBLE_API void script_converter(int occurrence, ConverterReply reply);

// A host's own connection (SQLAllocHandle, SQLDriverConnect, SQLGetInfo, SQLGetData, ...), as
// itemlookup opens one: the double connects with any connection string, answers SQLGetInfo with
// scripted text (empty otherwise), keeps connection attributes (autocommit on, trace off unless
// set), and answers a statement whose exact text was scripted with its rows or its failure.
// Statements executed through these handles are recorded like the modules' (alloc, exec, fetch,
// free), and so is each connect and disconnect.
struct Diagnostic {
  std::string sqlstate;
  SQLINTEGER native_error = 0;
  std::string message;
};
struct StatementAnswer {
  std::vector<Row> rows{};
  std::optional<Diagnostic> failure{};  // set: exec returns SQL_ERROR with this record
  // Before it answers, exec opens this many sockets in turn, as a driver that reconnects by
  // itself, tries the next host of a list or retries without TLS: each one to a listener that
  // never answers, read until something shuts it down. A read that waits kLongestSilentRead
  // instead fails exec with HYT00 "no cut came", the rest of the answer unused.
  int silent_sockets = 0;
};
inline constexpr int kLongestSilentRead = 10;  // seconds
// Scripted again for the same text, the answers come in the order scripted, the last one for
// every later execution.
ODBC_DOUBLE_API void script_statement(std::string text, StatementAnswer answer);
ODBC_DOUBLE_API void script_info(SQLUSMALLINT item, std::string text);
ODBC_DOUBLE_API void script_connection_attribute(SQLINTEGER attribute, SQLULEN value);
// The text of every statement executed since reset(), in order.
ODBC_DOUBLE_API std::vector<std::string> executed_statements();

// Clears every script and the timeline, closes all statements, restores terminator_only.
ODBC_DOUBLE_API void reset();

struct Call {
  Function function{};
  int result = 0;  // what the call returned

  // alloc: the handle written (null when none) and the connection passed. message_module: the
  // handle values read through the three fields. Others: the statement handle passed.
  SQLHSTMT statement = nullptr;
  SQLHENV environment = nullptr;
  SQLHDBC connection = nullptr;
  // alloc: the caller's handle field. message_module: the three field addresses passed.
  void* statement_field = nullptr;
  void* environment_field = nullptr;
  void* connection_field = nullptr;

  SQLUSMALLINT option = 0;   // set_option, free
  SQLULEN option_value = 0;  // set_option

  // exec: the statement bytes the driver reads (up to the NUL for SQL_NTS, else text_length
  // bytes). converter: the 18 text bytes. connect: the connection string.
  std::string text{};
  SQLINTEGER text_length = 0;  // exec

  SQLUSMALLINT column = 0;  // bind
  SQLSMALLINT c_type = 0;
  SQLPOINTER target = nullptr;
  SQLLEN buffer_length = 0;
  SQLLEN* indicator = nullptr;

  int row = 0;                   // fetch: number (from 1) of the scripted row reached, 0 when none
  bool columns_written = false;  // fetch

  std::string value_before{};  // converter: the 18 value bytes as the converter got them
  std::string value_after{};   // converter: the 18 value bytes as it left them

  std::string note{};  // why the double refused the call; empty otherwise
};

ODBC_DOUBLE_API std::vector<Call> calls();
ODBC_DOUBLE_API std::vector<Call> calls_of(Function function);
ODBC_DOUBLE_API std::vector<Function> functions();
// One line per call, for assertion messages.
ODBC_DOUBLE_API std::string describe(const std::vector<Call>& calls);

// Handles allocated and not yet dropped, in allocation order.
ODBC_DOUBLE_API std::vector<SQLHSTMT> open_statements();
// The handle the n-th alloc call since reset() hands out when it succeeds.
ODBC_DOUBLE_API SQLHSTMT statement_handle(int allocation);

// Whether the driver manager a lookup module loads in this process (libodbc.so.2, ODBC32.DLL) is
// the double rather than a real one.
ODBC_DOUBLE_API bool is_process_driver_manager();

ODBC_DOUBLE_API std::ostream& operator<<(std::ostream& out, Function function);
ODBC_DOUBLE_API std::ostream& operator<<(std::ostream& out, const Call& call);

}  // namespace odbc_double
