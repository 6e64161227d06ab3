// The host's own ODBC environment and connection, which it lends to the modules by address and
// closes when done.
#pragma once

#include <sql.h>

#include <optional>
#include <string>
#include <vector>

namespace itemlookup {

// One diagnostic record, as a report shows it.
struct OdbcDiagnostic {
  std::string sqlstate;
  long native_error = 0;
  std::string message;
};

class OdbcConnection {
 public:
  // Opens an ODBC 3 environment and connects with SQLDriverConnect, no prompting. Throws
  // CommandError with the driver manager's diagnostics when either fails.
  explicit OdbcConnection(const std::string& connection_string);
  ~OdbcConnection();
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  SQLHENV environment() const { return environment_; }
  SQLHDBC connection() const { return connection_; }
  // As given, passwords included: not for messages (masked_connection_string).
  const std::string& connection_string() const { return connection_string_; }

  // After a lost connection: disconnects whatever is left of it and connects again on the same
  // handle, with the original connection string, so that the handle values a host lent stay
  // valid and the DSN's session settings run again. Nothing when connected again; otherwise the
  // driver's first diagnostic record, every record's text in its message.
  std::optional<OdbcDiagnostic> reconnect();

  // Runs statements as one transaction (used to build the demo database). Throws CommandError
  // with the statement and the driver's diagnostics if one fails; nothing is committed then.
  void run_in_transaction(const std::vector<std::string>& statements);

  // Runs one statement on its own. Throws CommandError with the statement and the driver's
  // diagnostics if it fails.
  void execute(const std::string& sql) const;
  // The rows a query returns, at most `most_rows` of them, each column as text (nullopt for
  // NULL). Throws CommandError like execute().
  using Row = std::vector<std::optional<std::string>>;
  std::vector<Row> query_rows(const std::string& sql, std::size_t most_rows) const;
  // A text item of SQLGetInfo (SQL_DBMS_NAME, SQL_DRIVER_VER, ...); empty when the driver has
  // none.
  std::string info(SQLUSMALLINT item) const;

 private:
  SQLRETURN connect();

  std::string connection_string_;
  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

// Every diagnostic record of a handle, "[state] message" joined by "; ".
std::string odbc_diagnostics(SQLSMALLINT handle_type, SQLHANDLE handle);
// The first record's SQLSTATE and native code, so that one kind of failure can be told from
// another, with every record's text as its message.
OdbcDiagnostic first_diagnostic(SQLSMALLINT handle_type, SQLHANDLE handle);

// The connection string with password values masked, for error messages.
std::string masked_connection_string(const std::string& connection_string);

}  // namespace itemlookup
