// Splits a SQL script into single statements, for drivers that run one statement per call.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace itemlookup {

// Statements end at ';' outside quoted literals; "--" comments are dropped and statements that
// hold nothing but blanks are skipped. A quote doubled inside a literal stays in it.
std::vector<std::string> split_sql_statements(std::string_view script);

}  // namespace itemlookup
