#include "odbc_session.hpp"

#include <memory>
#include <stdexcept>

namespace database_integration {

namespace {

// Frees a statement handle whichever way a helper leaves.
struct StatementDeleter {
  void operator()(void* statement) const { SQLFreeHandle(SQL_HANDLE_STMT, statement); }
};
using Statement = std::unique_ptr<void, StatementDeleter>;

[[noreturn]] void fail(std::string_view what, SQLSMALLINT handle_type, SQLHANDLE handle) {
  throw std::runtime_error(std::string(what) + ": " + diagnostics(handle_type, handle));
}

Statement run(SQLHDBC connection, std::string_view sql) {
  SQLHSTMT handle = SQL_NULL_HSTMT;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle))) {
    fail("SQLAllocHandle(STMT)", SQL_HANDLE_DBC, connection);
  }
  Statement statement(handle);
  std::string text(sql);
  const SQLRETURN rc = SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(text.data()),
                                     static_cast<SQLINTEGER>(text.size()));
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) fail(text, SQL_HANDLE_STMT, handle);
  return statement;
}

std::optional<std::string> column_text(SQLHSTMT statement, SQLUSMALLINT column) {
  std::string text;
  char chunk[256];
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, chunk, sizeof chunk, &indicator);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) fail("SQLGetData", SQL_HANDLE_STMT, statement);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    // A truncated chunk is full minus its terminator; the last one says its own length.
    const bool truncated = indicator == SQL_NO_TOTAL || indicator >= SQLLEN{sizeof chunk};
    text.append(chunk, truncated ? sizeof chunk - 1 : static_cast<std::size_t>(indicator));
    if (!truncated) break;
  }
  return text;
}

}  // namespace

std::string diagnostics(SQLSMALLINT handle_type, SQLHANDLE handle) {
  std::string text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(handle_type, handle, record, state, &native, message,
                                     sizeof message, &length))) {
      break;
    }
    text += reinterpret_cast<char*>(state);
    text += ": ";
    text += reinterpret_cast<char*>(message);
    text += '\n';
  }
  return text.empty() ? "no diagnostic records" : text;
}

OdbcSession::OdbcSession(const std::string& connection_string) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_))) {
    throw std::runtime_error("SQLAllocHandle(ENV) failed");
  }
  SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_))) {
    const std::string why = diagnostics(SQL_HANDLE_ENV, environment_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    throw std::runtime_error("SQLAllocHandle(DBC): " + why);
  }
  std::string text = connection_string;
  const SQLRETURN rc = SQLDriverConnect(
      connection_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
      static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    const std::string why = diagnostics(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
    throw std::runtime_error("cannot connect with \"" + connection_string + "\": " + why);
  }
}

OdbcSession::~OdbcSession() {
  SQLDisconnect(connection_);
  SQLFreeHandle(SQL_HANDLE_DBC, connection_);
  SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

void OdbcSession::execute(std::string_view sql) {
  run(connection_, sql);
}

std::vector<Row> OdbcSession::query(std::string_view sql) {
  Statement statement = run(connection_, sql);
  SQLSMALLINT columns = 0;
  SQLNumResultCols(statement.get(), &columns);
  std::vector<Row> rows;
  for (;;) {
    const SQLRETURN rc = SQLFetch(statement.get());
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) fail("SQLFetch", SQL_HANDLE_STMT, statement.get());
    Row& row = rows.emplace_back();
    for (SQLUSMALLINT column = 1; column <= columns; ++column) {
      row.push_back(column_text(statement.get(), column));
    }
  }
  return rows;
}

}  // namespace database_integration
