// The demo database on each side, created once per test process from the project's schema and
// demo row files: a SQLite file in a temporary folder, and a PostgreSQL schema of its own (so
// that test processes running side by side never share tables).
#pragma once

#include <ostream>
#include <string>

#include "odbc_session.hpp"

namespace database_integration {

enum class Database { sqlite, postgres };

const char* name(Database database);
inline void PrintTo(Database database, std::ostream* out) {
  *out << name(database);
}

// PostgreSQL is reached through the connection string in ITEM_LOOKUP_PG_CONNECT.
bool postgres_configured();
// With ITEM_LOOKUP_REQUIRE_POSTGRES=1 a missing connection string fails the tests.
bool postgres_required();
std::string postgres_connection_string();

// The demo database, created on first use; throws std::runtime_error when it cannot be.
OdbcSession& demo_database(Database database);
// The PostgreSQL schema holding this process's demo tables.
const std::string& postgres_demo_schema();

// Records a skip, or a failure, when the database cannot serve the test; the caller checks
// IsSkipped() / HasFatalFailure() afterwards.
void open_or_skip(Database database);

}  // namespace database_integration
