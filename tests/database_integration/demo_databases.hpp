// The demo database on each engine, created once per test process from the project's schema and
// demo row files: a SQLite file in a temporary folder, a PostgreSQL schema and a MariaDB database
// of its own (so that test processes running side by side never share tables).
#pragma once

#include <ostream>
#include <string>

#include "odbc_session.hpp"

namespace database_integration {

enum class Database { sqlite, postgres, mariadb };
inline constexpr Database kEveryDatabase[] = {Database::sqlite, Database::postgres,
                                              Database::mariadb};
// The engines reached over a network: each is compared with SQLite.
inline constexpr Database kServerDatabases[] = {Database::postgres, Database::mariadb};

const char* name(Database database);
inline void PrintTo(Database database, std::ostream* out) {
  *out << name(database);
}

// A server engine is reached through the connection string in its variable
// (ITEM_LOOKUP_PG_CONNECT, ITEM_LOOKUP_MARIADB_CONNECT); with its "require" variable set to 1
// (ITEM_LOOKUP_REQUIRE_POSTGRES, ITEM_LOOKUP_REQUIRE_MARIADB) a missing one fails the tests.
std::string server_connection_string(Database database);
std::string postgres_connection_string();

// The demo database, created on first use; throws std::runtime_error when it cannot be.
OdbcSession& demo_database(Database database);

// How another host reaches this process's demo tables: with the settings the README's DSN
// templates give, or with string literals read with backslash escapes where the engine can be
// told so (PostgreSQL's standard_conforming_strings off, MariaDB without its InitStmt).
enum class Literals { as_documented, escaping };
std::string demo_connection_string(Database database, Literals literals);
// Another MariaDB demo database, whose key columns ignore letter case (utf8mb4_general_ci);
// connected to as documented.
std::string case_insensitive_mariadb_demo();
// Another demo database on a server engine, whose key columns keep trailing spaces when they
// compare (PostgreSQL VARCHAR, MariaDB utf8mb4_nopad_bin); connected to as documented.
std::string trailing_space_keeping_demo(Database database);
// The PostgreSQL schema holding this process's demo tables.
const std::string& postgres_demo_schema();

// Records a skip, or a failure, when the database cannot serve the test; the caller checks
// IsSkipped() / HasFatalFailure() afterwards.
void open_or_skip(Database database);

}  // namespace database_integration
