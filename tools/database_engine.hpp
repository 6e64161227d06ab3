// What the host knows of the database engines behind its connections: how to tell them apart,
// and how each is made to read string literals as standard SQL. The modules place keys between
// apostrophes with every apostrophe doubled and every other byte as it is; that is safe only on a
// session where a backslash is an ordinary character.
#pragma once

#include <string>
#include <string_view>

#include "odbc_connection.hpp"

namespace itemlookup {

struct EngineTraits {
  std::string_view label;              // as reports name it
  std::string_view session_statement;  // makes one session read standard literals; may be empty
  std::string_view literals_fix;       // what an operator sets for every session
  std::string_view key_collation_fix;  // how key columns compare as the modules need
};

struct DatabaseEngine {
  const EngineTraits* traits;
  std::string name;  // SQL_DBMS_NAME
  std::string version;
  std::string driver;
  std::string driver_version;
};

DatabaseEngine identify_engine(const OdbcConnection& connection);

// True when this session reads the literal '\' as the one byte backslash.
bool reads_standard_literals(const OdbcConnection& connection);

// Makes this session read standard literals, or throws CommandError saying what to set.
void ensure_standard_literals(const OdbcConnection& connection, const DatabaseEngine& engine);

}  // namespace itemlookup
