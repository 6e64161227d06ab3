// The embedded demo database: a SQLite file reached through the SQLite ODBC driver, made from
// the schema and the demo rows the first time it is used.
#pragma once

#include <filesystem>
#include <string>

namespace itemlookup {

// Creates the database file unless it exists. The file is built under a temporary name in the
// same directory and renamed when complete, so an interrupted run never leaves half a database.
void ensure_demo_database(const std::filesystem::path& database,
                          const std::filesystem::path& script_directory);

// "DRIVER=SQLite3;Database=<file>"; throws CommandError for a path the driver cannot be given.
std::string demo_connection_string(const std::filesystem::path& database);

}  // namespace itemlookup
