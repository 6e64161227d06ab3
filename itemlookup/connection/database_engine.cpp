#include "connection/database_engine.hpp"

#include <sqlext.h>

#include <span>

#include "connection/lost_connection.hpp"
#include "connection/statement_error.hpp"
#include "errors_and_text/cannot_run.hpp"

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
      "COLLATE RTRIM on every key column (see db/sqlite/schema.sql)", RowLimit::limit}},
    {"PostgreSQL",
     {"PostgreSQL", "SET standard_conforming_strings = on",
      "standard_conforming_strings=on: add ConnSettings=SET standard_conforming_strings=on to "
      "the DSN, or run ALTER DATABASE <name> SET standard_conforming_strings = on",
      "CHAR(n) key columns with a deterministic collation (see db/postgres/schema.sql)",
      RowLimit::limit}},
    {"MariaDB",
     {"MariaDB", kNoBackslashEscapes,
      "add InitStmt=SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES') to the DSN "
      "(or put NO_BACKSLASH_ESCAPES in the server's sql_mode)",
      "COLLATE utf8mb4_bin, a binary collation that pads with spaces, on every key column (see "
      "db/mariadb/schema.sql)",
      RowLimit::limit}},
    {"MySQL",
     {"MySQL", kNoBackslashEscapes,
      "add InitStmt=SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES') to the DSN "
      "(or put NO_BACKSLASH_ESCAPES in the server's sql_mode)",
      "COLLATE utf8mb4_bin, a binary collation that pads with spaces, on every key column (see "
      "db/mariadb/schema.sql)",
      RowLimit::limit}},
    // Not tested here: no SQL Server runs on these machines.
    {"Microsoft SQL Server",
     {"SQL Server", "", "nothing: SQL Server always reads standard literals",
      "a case-sensitive collation (a _BIN2 or _CS_ one) on every key column", RowLimit::top}},
};

constexpr EngineTraits kOtherEngine = {
    "this database", "",
    "make every session read string literals as standard SQL: a backslash is an ordinary "
    "character, only a doubled apostrophe stands for an apostrophe",
    "a case-sensitive collation that ignores trailing spaces on every key column",
    RowLimit::fetch_first};

const EngineTraits& traits_of(std::string_view dbms_name) {
  for (const KnownEngine& engine : kKnownEngines) {
    if (dbms_name.find(engine.name_part) != std::string_view::npos) return engine.traits;
  }
  return kOtherEngine;
}

// The ways a query without a table is written: the SQL standard's and those of engines that
// need a FROM clause.
struct LiteralDialect {
  std::string before;  // up to the literal
  std::string after;
};
const LiteralDialect kLiteralDialects[] = {
    {"SELECT ", ""},
    {"SELECT ", " FROM DUAL"},
    {"VALUES (", ")"},
    {"SELECT ", " FROM RDB$DATABASE"},
    {"SELECT ", " FROM SYSIBM.SYSDUMMY1"},
};

}  // namespace

DatabaseEngine identify_engine(const OdbcConnection& connection) {
  DatabaseEngine engine{nullptr, connection.info(SQL_DBMS_NAME), connection.info(SQL_DBMS_VER),
                        connection.info(SQL_DRIVER_NAME), connection.info(SQL_DRIVER_VER)};
  engine.traits = &traits_of(engine.name);
  return engine;
}

std::string limited_select(const EngineTraits& traits, std::string_view columns,
                           std::string_view from, std::size_t rows) {
  const std::string count = std::to_string(rows);
  switch (traits.row_limit) {
    case RowLimit::top:
      return "SELECT TOP " + count + " " + std::string(columns) + " FROM " + std::string(from);
    case RowLimit::fetch_first:
      return "SELECT " + std::string(columns) + " FROM " + std::string(from) + " FETCH FIRST " +
             count + " ROWS ONLY";
    case RowLimit::limit:
      break;
  }
  return "SELECT " + std::string(columns) + " FROM " + std::string(from) + " LIMIT " + count;
}

std::string tried_literal_statements() {
  std::string text;
  for (const LiteralDialect& dialect : kLiteralDialects) {
    text += (text.empty() ? "" : ", ") + dialect.before + "'\\'" + dialect.after;
  }
  return text;
}

LiteralProof prove_literals(const OdbcConnection& connection) {
  LiteralProof proof;
  // Notes a dialect's refusal; true when the connection was lost instead, which ends the proof:
  // every further statement would fail the same way and say nothing of literals.
  const auto lost = [&proof](const StatementError& error) {
    if (proof.failure.empty()) proof.failure = error.diagnostics();
    if (!calls_for_reconnect(error.sqlstate())) return false;
    proof.lost = OdbcDiagnostic{error.sqlstate(), error.native_error(), error.diagnostics()};
    return true;
  };
  for (const LiteralDialect& dialect : kLiteralDialects) {
    // Read as standard SQL this is one backslash; where a backslash escapes, the literal never
    // ends and the statement fails.
    const std::string backslash = dialect.before + "'\\'" + dialect.after;
    try {
      const auto rows = connection.query_rows(backslash, 1);
      if (rows.size() == 1 && rows[0].size() == 1) {
        const bool one_backslash = rows[0][0] == "\\";
        return {
            one_backslash ? LiteralReading::standard : LiteralReading::escaping, backslash, {}, {}};
      }
      if (proof.failure.empty()) proof.failure = backslash + " gave no value";
      continue;
    } catch (const StatementError& error) {
      // Where a backslash escapes this fails, and says nothing yet, unless the link failed.
      if (calls_for_reconnect(error.sqlstate()) && lost(error)) return proof;
    }
    try {
      connection.query_rows(dialect.before + "'x'" + dialect.after, 1);
      return {LiteralReading::escaping, backslash, {}, {}};
    } catch (const StatementError& error) {
      if (lost(error)) return proof;
    }
  }
  return proof;
}

void ensure_standard_literals(const OdbcConnection& connection, const DatabaseEngine& engine) {
  std::string failure;
  LiteralProof proof;
  if (!engine.traits->session_statement.empty()) {
    try {
      connection.execute(std::string(engine.traits->session_statement));
    } catch (const StatementError& error) {
      failure = std::string("\n  ") + error.what();
      if (calls_for_reconnect(error.sqlstate())) {
        proof.lost = OdbcDiagnostic{error.sqlstate(), error.native_error(), error.diagnostics()};
      }
    } catch (const CannotRun& error) {
      failure = std::string("\n  ") + error.what();
    }
  }
  if (!proof.lost) proof = prove_literals(connection);
  if (proof.reading == LiteralReading::standard) return;
  // The link failed, not the setting: the caller may connect again and prove the new session.
  if (proof.lost) {
    throw StatementError(
        "the connection was lost while its session was set up for standard "
        "literals: " +
            proof.lost->message,
        proof.lost->sqlstate, proof.lost->native_error, proof.lost->message);
  }
  const std::string fix = "\n  To fix: " + std::string(engine.traits->literals_fix) + failure;
  if (proof.reading == LiteralReading::unproven) {
    throw CannotRun("cannot prove that the connection to " + engine.name +
                    " reads a backslash in a string literal as an ordinary character, so a "
                    "key could end its literal early; no lookup runs.\n  The database "
                    "answered no query without a table (" +
                    tried_literal_statements() + "): " + proof.failure + fix);
  }
  throw CannotRun("the connection to " + engine.name +
                  " reads a backslash in a string literal as an escape, so a key could end "
                  "its literal early; no lookup runs." +
                  fix);
}

void set_up_standard_literals(const OdbcConnection& connection) {
  ensure_standard_literals(connection, identify_engine(connection));
}

}  // namespace itemlookup
