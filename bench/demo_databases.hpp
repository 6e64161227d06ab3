// The demo rows on both sides: a SQLite file made from the project's schema and demo rows, and
// a PostgreSQL schema of this process's own on the server ITEM_LOOKUP_PG_CONNECT names, so that
// runs side by side (or the database tests) never share tables.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "connection/odbc_connection.hpp"

namespace lookup_bench {

// A folder under the temporary directory, removed with everything in it.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class SqliteDemo {
 public:
  SqliteDemo();
  const std::filesystem::path& file() const { return file_; }
  // A connection through the SQLite ODBC driver, as a host opens it.
  std::unique_ptr<itemlookup::OdbcConnection> connect() const;

 private:
  TemporaryFolder folder_;
  std::filesystem::path file_;
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
