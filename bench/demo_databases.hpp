// The demo rows on both sides: the SQLite demo database as itemlookup makes it, and a PostgreSQL
// schema of this process's own on the server ITEM_LOOKUP_PG_CONNECT names, so that runs side by
// side (or the database tests) never share tables. Both come from tests/support/demo_tables.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "connection/odbc_connection.hpp"
#include "demo_tables.hpp"

namespace lookup_bench {

class SqliteDemo {
 public:
  const std::filesystem::path& file() const { return demo_.file(); }
  // A connection through the SQLite ODBC driver, as a host opens it.
  std::unique_ptr<itemlookup::OdbcConnection> connect() const;

 private:
  test_support::SqliteDemoFile demo_;
};

class PostgresDemo {
 public:
  // Creates the schema and loads the rows over `connection_string`; throws CannotRun when the
  // server cannot be reached or a statement fails.
  explicit PostgresDemo(const std::string& connection_string);
  ~PostgresDemo();
  PostgresDemo(const PostgresDemo&) = delete;
  PostgresDemo& operator=(const PostgresDemo&) = delete;

  // The connection the lookups run on: autocommit, its search path on the demo schema.
  itemlookup::OdbcConnection& connection() { return *connection_; }

 private:
  std::unique_ptr<itemlookup::OdbcConnection> connection_;
  std::string schema_;
};

}  // namespace lookup_bench
