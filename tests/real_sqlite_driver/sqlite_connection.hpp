// A real ODBC connection through the driver manager to a fresh SQLite database file.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "temporary_folder.hpp"

class SqliteConnection {
 public:
  SqliteConnection();
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // Runs a statement that returns no row; fails the test when the driver rejects it.
  void execute(const std::string& sql);

  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;

 private:
  test_support::TemporaryFolder folder_{"item-lookup-sqlite-"};
};
