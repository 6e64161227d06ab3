#include "database_engine.hpp"

#include <sqlext.h>

#include <span>

#include "command_error.hpp"

namespace itemlookup {

namespace {

struct KnownEngine {
  std::string_view name_part;  // found in SQL_DBMS_NAME
  EngineTraits traits;
};

constexpr std::string_view kNoBackslashEscapes =
    "SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES')";

const KnownEngine kKnownEngines[] = {
    {"SQLite",
     {"SQLite", "", "nothing: SQLite always reads standard literals",
      "COLLATE RTRIM on every key column (see db/sqlite/schema.sql)"}},
    {"PostgreSQL",
     {"PostgreSQL", "SET standard_conforming_strings = on",
      "standard_conforming_strings=on: add ConnSettings=SET standard_conforming_strings=on to "
      "the DSN, or run ALTER DATABASE <name> SET standard_conforming_strings = on",
      "CHAR(n) key columns with a deterministic collation (see db/postgres/schema.sql)"}},
    {"MariaDB",
     {"MariaDB", kNoBackslashEscapes,
      "add InitStmt=SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES') to the DSN "
      "(or put NO_BACKSLASH_ESCAPES in the server's sql_mode)",
      "COLLATE utf8mb4_bin, a binary collation that pads with spaces, on every key column (see "
      "db/mariadb/schema.sql)"}},
    {"MySQL",
     {"MySQL", kNoBackslashEscapes,
      "add InitStmt=SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES') to the DSN "
      "(or put NO_BACKSLASH_ESCAPES in the server's sql_mode)",
      "COLLATE utf8mb4_bin, a binary collation that pads with spaces, on every key column (see "
      "db/mariadb/schema.sql)"}},
};

constexpr EngineTraits kOtherEngine = {
    "this database", "",
    "make every session read string literals as standard SQL: a backslash is an ordinary "
    "character, only a doubled apostrophe stands for an apostrophe",
    "a case-sensitive collation that ignores trailing spaces on every key column"};

const EngineTraits& traits_of(std::string_view dbms_name) {
  for (const KnownEngine& engine : kKnownEngines) {
    if (dbms_name.find(engine.name_part) != std::string_view::npos) return engine.traits;
  }
  return kOtherEngine;
}

}  // namespace

DatabaseEngine identify_engine(const OdbcConnection& connection) {
  DatabaseEngine engine{nullptr, connection.info(SQL_DBMS_NAME), connection.info(SQL_DBMS_VER),
                        connection.info(SQL_DRIVER_NAME), connection.info(SQL_DRIVER_VER)};
  engine.traits = &traits_of(engine.name);
  return engine;
}

bool reads_standard_literals(const OdbcConnection& connection) {
  // Read as standard SQL this is one backslash; where a backslash escapes, the literal never ends.
  try {
    const auto rows = connection.query_rows("SELECT '\\'", 1);
    return rows.size() == 1 && rows[0].size() == 1 && rows[0][0] == "\\";
  } catch (const CommandError&) {
    return false;
  }
}

void ensure_standard_literals(const OdbcConnection& connection, const DatabaseEngine& engine) {
  std::string failure;
  if (!engine.traits->session_statement.empty()) {
    try {
      connection.execute(std::string(engine.traits->session_statement));
    } catch (const CommandError& error) {
      failure = std::string("\n  ") + error.what();
    }
  }
  if (reads_standard_literals(connection)) return;
  throw CommandError("the connection to " + engine.name +
                     " reads a backslash in a string literal as an escape, so a key could end "
                     "its literal early; no lookup runs.\n  To fix: " +
                     std::string(engine.traits->literals_fix) + failure);
}

}  // namespace itemlookup
