// The embedded demo database: a SQLite file reached through the SQLite ODBC driver, made from
// the schema and the demo rows the first time it is used.
#pragma once

#include <filesystem>
#include <string>

namespace itemlookup {

// Creates the database file unless it exists, and refuses an existing file without the demo
// tables. The file is built under a temporary name in the same folder and renamed when
// complete, so an interrupted run never leaves half a database. Only the default location gets
// its folders created: a folder the operator named must exist.
void ensure_demo_database(const std::filesystem::path& database,
                          const std::filesystem::path& script_directory, bool create_folders);

// "DRIVER=SQLite3;Database=<file>"; throws CannotRun for a path the driver cannot be given.
std::string demo_connection_string(const std::filesystem::path& database);

}  // namespace itemlookup
