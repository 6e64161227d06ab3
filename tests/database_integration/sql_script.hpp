// Splits the schema and demo row files into single statements, so that each goes to the driver
// on its own: not every ODBC driver runs several statements in one SQLExecDirect.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace database_integration {

// Statements end at a semicolon outside quotes; "--" comments are dropped. Quoted text keeps
// its doubled quotes. Blank statements are left out.
std::vector<std::string> split_sql_script(std::string_view script);

// The statements of a file; throws std::runtime_error when it cannot be read.
std::vector<std::string> read_sql_script(const std::string& path);

}  // namespace database_integration
