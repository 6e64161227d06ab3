#include "demo_databases.hpp"

#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "connection/demo_database.hpp"
#include "connection/sql_script.hpp"
#include "errors_and_text/cannot_run.hpp"

namespace lookup_bench {

namespace {

namespace fs = std::filesystem;

const fs::path kDbSourceDir = ITEM_LOOKUP_DB_SOURCE_DIR;

std::vector<std::string> script_statements(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw itemlookup::CannotRun("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return itemlookup::split_sql_statements(text.str());
}

}  // namespace

TemporaryFolder::TemporaryFolder() {
  std::string pattern = (fs::temp_directory_path() / "item-lookup-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

SqliteDemo::SqliteDemo() : file_(folder_.path() / "demo.db") {
  itemlookup::ensure_demo_database(file_, kDbSourceDir, false);
}

std::unique_ptr<itemlookup::OdbcConnection> SqliteDemo::connect() const {
  return std::make_unique<itemlookup::OdbcConnection>(itemlookup::demo_connection_string(file_));
}

PostgresDemo::PostgresDemo(const std::string& connection_string)
    : connection_(std::make_unique<itemlookup::OdbcConnection>(connection_string)),
      schema_("item_lookup_bench_" + std::to_string(getpid())) {
  // A schema left behind by an earlier process with the same id is stale.
  std::vector<std::string> statements = {"DROP SCHEMA IF EXISTS " + schema_ + " CASCADE",
                                         "CREATE SCHEMA " + schema_,
                                         "SET search_path TO " + schema_};
  for (const fs::path& file :
       {kDbSourceDir / "postgres" / "schema.sql", kDbSourceDir / "demo_rows.sql"}) {
    for (std::string& statement : script_statements(file)) statements.push_back(statement);
  }
  // Committed, the search path stays with the session; the lookups then run in autocommit, as
  // a host's usually do.
  connection_->run_in_transaction(statements);
  SQLSetConnectAttr(connection_->connection(), SQL_ATTR_AUTOCOMMIT,
                    reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER);
}

PostgresDemo::~PostgresDemo() {
  try {
    connection_->run_in_transaction({"DROP SCHEMA IF EXISTS " + schema_ + " CASCADE"});
  } catch (const std::exception& error) {
    std::cerr << "cannot drop the demo schema " << schema_ << ": " << error.what() << '\n';
  }
}

}  // namespace lookup_bench
