// One ODBC environment and connection opened the way a host opens them (ODBC 3, driver
// connection string), with the few statement helpers the tests need to prepare a database.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace database_integration {

using Row = std::vector<std::optional<std::string>>;

class OdbcSession {
 public:
  // Throws std::runtime_error with the driver's diagnostics when the connection fails.
  explicit OdbcSession(const std::string& connection_string);
  ~OdbcSession();
  OdbcSession(const OdbcSession&) = delete;
  OdbcSession& operator=(const OdbcSession&) = delete;

  // Runs one statement and discards any result; throws with the diagnostics on failure.
  void execute(std::string_view sql);
  // Runs a query and returns every row, each column as text or nullopt for NULL.
  std::vector<Row> query(std::string_view sql);

  SQLHENV environment() const { return environment_; }
  SQLHDBC connection() const { return connection_; }

 private:
  SQLHENV environment_ = SQL_NULL_HENV;
  SQLHDBC connection_ = SQL_NULL_HDBC;
};

// Every diagnostic record on a handle, one "SQLSTATE: message" line each.
std::string diagnostics(SQLSMALLINT handle_type, SQLHANDLE handle);

}  // namespace database_integration
