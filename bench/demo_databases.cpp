#include "demo_databases.hpp"

#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <iostream>
#include <vector>

namespace lookup_bench {

std::unique_ptr<itemlookup::OdbcConnection> SqliteDemo::connect() const {
  return std::make_unique<itemlookup::OdbcConnection>(demo_.connection_string());
}

PostgresDemo::PostgresDemo(const std::string& connection_string)
    : connection_(std::make_unique<itemlookup::OdbcConnection>(connection_string)),
      schema_("item_lookup_bench_" + std::to_string(getpid())) {
  // A schema left behind by an earlier process with the same id is stale.
  std::vector<std::string> statements = {"DROP SCHEMA IF EXISTS " + schema_ + " CASCADE",
                                         "CREATE SCHEMA " + schema_,
                                         "SET search_path TO " + schema_};
  for (std::string& statement : test_support::demo_statements("postgres")) {
    statements.push_back(std::move(statement));
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
