// What the host knows of the database engines behind its connections: how to tell them apart,
// and how each is made to read string literals as standard SQL. The modules place keys between
// apostrophes with every apostrophe doubled and every other byte as it is; that is safe only on a
// session where a backslash is an ordinary character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "connection/odbc_connection.hpp"

namespace itemlookup {

// How a statement asks the server for at most n rows.
enum class RowLimit {
  limit,        // SELECT ... LIMIT n
  top,          // SELECT TOP n ...
  fetch_first,  // SELECT ... FETCH FIRST n ROWS ONLY, the SQL standard's words
};

struct EngineTraits {
  std::string_view label;              // as reports name it
  std::string_view session_statement;  // makes one session read standard literals; may be empty
  std::string_view literals_fix;       // what an operator sets for every session
  std::string_view key_collation_fix;  // how key columns compare as the modules need
  RowLimit row_limit;
};

struct DatabaseEngine {
  const EngineTraits* traits;
  std::string name;  // SQL_DBMS_NAME
  std::string version;
  std::string driver;
  std::string driver_version;
};

DatabaseEngine identify_engine(const OdbcConnection& connection);

// "SELECT columns FROM from" that asks the server for at most `rows` rows, so that a reader on a
// big table never has the driver fetch it whole. `from` is the table and any WHERE clause.
std::string limited_select(const EngineTraits& traits, std::string_view columns,
                           std::string_view from, std::size_t rows);

// How this session reads the literal '\'. It is asked in each dialect a query without a table
// may take (SELECT '\', ... FROM DUAL, VALUES ('\'), ...) until one answers a literal without a
// backslash: then a failing '\' can only mean the backslash escaped.
enum class LiteralReading {
  standard,  // one backslash: an ordinary character
  escaping,  // the literal did not end where the apostrophe stands
  unproven,  // no dialect tried answered at all
};
struct LiteralProof {
  LiteralReading reading = LiteralReading::unproven;
  std::string statement;  // the backslash statement of the dialect that answered
  std::string failure;    // unproven: the driver's message for the first dialect tried
  // unproven: the connection was lost on the way (a connection SQLSTATE), so no dialect was
  // refused; no further one is tried.
  std::optional<OdbcDiagnostic> lost;
};
LiteralProof prove_literals(const OdbcConnection& connection);
// The backslash statements prove_literals tries, in order, for messages: "SELECT '\\', ...".
std::string tried_literal_statements();

// Makes this session read standard literals and proves it, or throws CannotRun saying what to
// set; a StatementError with the driver's SQLSTATE when the connection was lost on the way.
void ensure_standard_literals(const OdbcConnection& connection, const DatabaseEngine& engine);

// The session setup of every connection that carries keys: ensure_standard_literals on the engine
// it reaches.
void set_up_standard_literals(const OdbcConnection& connection);

}  // namespace itemlookup
