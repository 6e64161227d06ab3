// The host's own ODBC environment and connection, which it lends to the modules by address and
// closes when done.
#pragma once

#include <sql.h>

#include <functional>
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

class OdbcConnection;
// Readies a new session for keys, after every connect: throws CannotRun when the session must
// not see one, a StatementError with the driver's SQLSTATE when a statement failed on the way.
using SessionSetup = std::function<void(const OdbcConnection&)>;

class OdbcConnection {
 public:
  // Opens an ODBC 3 environment, connects with SQLDriverConnect, no prompting, with the driver's
  // own reconnect off (with_driver_reconnect_off), and runs the setup. Throws CannotRun with the
  // driver manager's diagnostics when either fails, or with the setup's refusal, or when the
  // driver may still connect again by itself (driver_reconnect_refusal), having disconnected.
  // No setup: the session stays as the connection string leaves it (check looks at that; the
  // demo database is built on it).
  explicit OdbcConnection(const std::string& connection_string, SessionSetup setup = {});
  ~OdbcConnection();
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  SQLHENV environment() const { return environment_; }
  SQLHDBC connection() const { return connection_; }
  // As given, passwords included: not for messages (masked_connection_string). The driver gets
  // it with AUTO_RECONNECT=0 added.
  const std::string& connection_string() const { return connection_string_; }

  // After a lost connection: disconnects whatever is left of it and connects again on the same
  // handle, with the original connection string, so that the handle values a host lent stay
  // valid and the DSN's session settings run again, then runs the setup again. Nothing when
  // ready again; otherwise the driver's first diagnostic record, every record's text in its
  // message, or the setup's refusal (with the SQLSTATE of a link lost on the way), and the
  // handle is left disconnected.
  std::optional<OdbcDiagnostic> reconnect();

  // Connected and set up: a statement with a key may run. False from a failed reconnect or
  // setup until a reconnect succeeds, so a key never reaches a session that was not set up.
  bool usable_for_keys() const { return usable_for_keys_; }

  // Runs statements as one transaction (used to build the demo database). Throws CannotRun
  // with the statement and the driver's diagnostics if one fails; nothing is committed then.
  void run_in_transaction(const std::vector<std::string>& statements);

  // Runs one statement on its own. Throws CannotRun with the statement and the driver's
  // diagnostics if it fails.
  void execute(const std::string& sql) const;
  // The rows a query returns, at most `most_rows` of them, each column as text (nullopt for
  // NULL). Throws CannotRun like execute().
  using Row = std::vector<std::optional<std::string>>;
  std::vector<Row> query_rows(const std::string& sql, std::size_t most_rows) const;
  // A text item of SQLGetInfo (SQL_DBMS_NAME, SQL_DRIVER_VER, ...); empty when the driver has
  // none.
  std::string info(SQLUSMALLINT item) const;

 private:
  SQLRETURN connect();
  // Runs the setup on the new session; disconnects and says why when it refuses, or when the
  // driver may connect again by itself.
  std::optional<OdbcDiagnostic> set_up_session();
  void disconnect();

  std::string connection_string_;
  std::string connected_with_;  // what SQLDriverConnect gets
  SessionSetup setup_;
  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
  bool connected_ = false;  // the driver holds a link, set up or not
  bool usable_for_keys_ = false;
};

// Every diagnostic record of a handle, "[state] message" joined by "; ".
std::string odbc_diagnostics(SQLSMALLINT handle_type, SQLHANDLE handle);
// The first record's SQLSTATE and native code, so that one kind of failure can be told from
// another, with every record's text as its message.
OdbcDiagnostic first_diagnostic(SQLSMALLINT handle_type, SQLHANDLE handle);

// The connection string with password values masked, for error messages.
std::string masked_connection_string(const std::string& connection_string);

}  // namespace itemlookup
