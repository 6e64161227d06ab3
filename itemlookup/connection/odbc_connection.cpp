#include "connection/odbc_connection.hpp"

#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "connection/lookup_watchdog.hpp"
#include "connection/statement_error.hpp"
#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {

namespace {

SQLCHAR* sql_text(const std::string& text) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The statement handle's diagnostics as an error, its first record apart.
StatementError statement_error(SQLHSTMT handle, const std::string& what,
                               const std::string& sql = {}) {
  const OdbcDiagnostic first = first_diagnostic(SQL_HANDLE_STMT, handle);
  return StatementError(what + ": " + first.message + (sql.empty() ? "" : "\n  " + sql),
                        first.sqlstate, first.native_error, first.message);
}

class Statement {
 public:
  explicit Statement(SQLHDBC connection) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle_))) {
      throw CannotRun("cannot allocate a statement: " +
                      odbc_diagnostics(SQL_HANDLE_DBC, connection));
    }
  }
  ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void execute(const std::string& sql) {
    const SQLRETURN result = SQLExecDirect(handle_, sql_text(sql), SQL_NTS);
    if (!SQL_SUCCEEDED(result) && result != SQL_NO_DATA) {
      throw statement_error(handle_, "statement failed", sql);
    }
  }

  // The next row, each column as text; false when there is no further row.
  bool fetch_row(OdbcConnection::Row& row) {
    const SQLRETURN result = SQLFetch(handle_);
    if (result == SQL_NO_DATA) return false;
    if (!SQL_SUCCEEDED(result)) {
      throw statement_error(handle_, "fetch failed");
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(handle_, &columns);
    row.assign(static_cast<std::size_t>(columns), std::nullopt);
    for (SQLSMALLINT column = 1; column <= columns; ++column) {
      row[static_cast<std::size_t>(column - 1)] = column_text(column);
    }
    return true;
  }

 private:
  std::optional<std::string> column_text(SQLUSMALLINT column) {
    std::string value;
    char chunk[256];
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN got =
          SQLGetData(handle_, column, SQL_C_CHAR, chunk, sizeof chunk, &indicator);
      if (got == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(got)) {
        throw statement_error(handle_, "reading a column failed");
      }
      if (indicator == SQL_NULL_DATA) return std::nullopt;
      // A chunk that did not hold the rest ends in a terminator; the last one holds what is left.
      const bool whole = got == SQL_SUCCESS && indicator != SQL_NO_TOTAL &&
                         indicator < static_cast<SQLLEN>(sizeof chunk);
      value.append(chunk, whole ? static_cast<std::size_t>(indicator) : sizeof chunk - 1);
      if (whole) break;
    }
    return value;
  }

  SQLHSTMT handle_ = SQL_NULL_HSTMT;
  // Executing and fetching wait for the database.
  const BoundedWait bounded_;
};

// The driver manager names the missing piece; say where the names come from.
std::string driver_hint(const std::string& diagnostics) {
  if (diagnostics.find("Can't open lib") != std::string::npos ||
      diagnostics.find("[IM002]") != std::string::npos) {
    return "\n  (drivers are named in odbcinst.ini and data sources in odbc.ini; 'odbcinst -q -d'"
           " and 'odbcinst -q -s' list them)";
  }
  return {};
}

}  // namespace

std::string odbc_diagnostics(SQLSMALLINT handle_type, SQLHANDLE handle) {
  std::string text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
    SQLINTEGER native_error = 0;
    SQLSMALLINT length = 0;
    const SQLRETURN result = SQLGetDiagRec(handle_type, handle, record, state, &native_error,
                                           message, sizeof message, &length);
    if (!SQL_SUCCEEDED(result)) break;
    if (!text.empty()) text += "; ";
    text += '[' + std::string(reinterpret_cast<char*>(state)) + "] " +
            std::string(reinterpret_cast<char*>(message));
  }
  return text.empty() ? "no diagnostics from the driver manager" : text;
}

OdbcDiagnostic first_diagnostic(SQLSMALLINT handle_type, SQLHANDLE handle) {
  OdbcDiagnostic first;
  SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
  SQLINTEGER native_error = 0;
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(
          SQLGetDiagRec(handle_type, handle, 1, state, &native_error, nullptr, 0, &length))) {
    first.sqlstate = reinterpret_cast<char*>(state);
    first.native_error = native_error;
  }
  first.message = odbc_diagnostics(handle_type, handle);
  return first;
}

std::string masked_connection_string(const std::string& connection_string) {
  std::string masked;
  std::size_t start = 0;
  while (start <= connection_string.size()) {
    std::size_t end = connection_string.find(';', start);
    if (end == std::string::npos) end = connection_string.size();
    std::string attribute = connection_string.substr(start, end - start);
    const std::size_t equals = attribute.find('=');
    if (equals != std::string::npos) {
      const std::string name = upper(attribute.substr(0, equals));
      if (name == "PWD" || name == "PASSWORD") attribute = attribute.substr(0, equals + 1) + "***";
    }
    masked += attribute;
    if (end < connection_string.size()) masked += ';';
    start = end + 1;
  }
  return masked;
}

OdbcConnection::OdbcConnection(const std::string& connection_string, SessionSetup setup)
    : connection_string_(connection_string), setup_(std::move(setup)) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_))) {
    throw CannotRun("cannot allocate an ODBC environment");
  }
  SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_))) {
    const std::string diagnostics = odbc_diagnostics(SQL_HANDLE_ENV, environment_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    throw CannotRun("cannot allocate an ODBC connection: " + diagnostics);
  }
  std::string refusal;
  if (!SQL_SUCCEEDED(connect())) {
    const std::string diagnostics = odbc_diagnostics(SQL_HANDLE_DBC, connection_);
    refusal = "cannot connect with \"" + masked_connection_string(connection_string) +
              "\": " + diagnostics + driver_hint(diagnostics);
  } else {
    connected_ = true;
    try {
      if (const std::optional<OdbcDiagnostic> setup_failed = set_up_session()) {
        refusal = setup_failed->message;
      }
    } catch (...) {
      SQLFreeHandle(SQL_HANDLE_DBC, connection_);
      SQLFreeHandle(SQL_HANDLE_ENV, environment_);
      throw;
    }
  }
  if (!refusal.empty()) {
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    throw CannotRun(refusal);
  }
}

SQLRETURN OdbcConnection::connect() {
  const BoundedWait bounded;
  return SQLDriverConnect(connection_, nullptr, sql_text(connection_string_), SQL_NTS, nullptr, 0,
                          nullptr, SQL_DRIVER_NOPROMPT);
}

void OdbcConnection::disconnect() {
  usable_for_keys_ = false;
  if (connected_) SQLDisconnect(connection_);
  connected_ = false;
}

std::optional<OdbcDiagnostic> OdbcConnection::set_up_session() {
  std::optional<OdbcDiagnostic> refusal;
  try {
    if (setup_) setup_(*this);
  } catch (const StatementError& error) {
    refusal = OdbcDiagnostic{error.sqlstate(), error.native_error(), error.what()};
  } catch (const CannotRun& error) {
    refusal = OdbcDiagnostic{"", 0, error.what()};
  } catch (...) {
    disconnect();
    throw;
  }
  // A session that may read a key otherwise than the modules write it is not kept.
  if (refusal) {
    disconnect();
    return refusal;
  }
  usable_for_keys_ = true;
  return std::nullopt;
}

std::optional<OdbcDiagnostic> OdbcConnection::reconnect() {
  // The driver keeps its side of a broken link until told: without this the connect fails.
  disconnect();
  if (SQL_SUCCEEDED(connect())) {
    connected_ = true;
    std::optional<OdbcDiagnostic> refusal = set_up_session();
    if (refusal) refusal->message = "connected again, but " + refusal->message;
    return refusal;
  }
  OdbcDiagnostic first = first_diagnostic(SQL_HANDLE_DBC, connection_);
  first.message = "cannot connect again: " + first.message;
  return first;
}

OdbcConnection::~OdbcConnection() {
  if (connected_) SQLDisconnect(connection_);
  SQLFreeHandle(SQL_HANDLE_DBC, connection_);
  SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

void OdbcConnection::execute(const std::string& sql) const {
  Statement(connection_).execute(sql);
}

std::vector<OdbcConnection::Row> OdbcConnection::query_rows(const std::string& sql,
                                                            std::size_t most_rows) const {
  Statement statement(connection_);
  statement.execute(sql);
  std::vector<Row> rows;
  Row row;
  while (rows.size() < most_rows && statement.fetch_row(row)) rows.push_back(row);
  return rows;
}

std::string OdbcConnection::info(SQLUSMALLINT item) const {
  char text[256] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(connection_, item, text, sizeof text, &length))) return {};
  return text;
}

void OdbcConnection::run_in_transaction(const std::vector<std::string>& statements) {
  SQLSetConnectAttr(connection_, SQL_ATTR_AUTOCOMMIT,
                    reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
  try {
    for (const std::string& sql : statements) Statement(connection_).execute(sql);
  } catch (...) {
    SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_ROLLBACK);
    throw;
  }
  if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_COMMIT))) {
    throw CannotRun("commit failed: " + odbc_diagnostics(SQL_HANDLE_DBC, connection_));
  }
}

}  // namespace itemlookup
