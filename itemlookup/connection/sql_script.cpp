#include "connection/sql_script.hpp"

#include <algorithm>
#include <cctype>

namespace itemlookup {

namespace {

bool blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isspace(c) != 0; });
}

void finish(std::string& statement, std::vector<std::string>& statements) {
  if (!blank(statement)) statements.push_back(statement);
  statement.clear();
}

}  // namespace

std::vector<std::string> split_sql_statements(std::string_view script) {
  std::vector<std::string> statements;
  std::string statement;
  bool in_literal = false;
  for (std::size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (in_literal) {
      statement += c;
      if (c == '\'') in_literal = false;  // a doubled quote reopens at once
      continue;
    }
    if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
      const std::size_t end_of_line = script.find('\n', i);
      if (end_of_line == std::string_view::npos) break;
      i = end_of_line;
      statement += '\n';
      continue;
    }
    if (c == ';') {
      finish(statement, statements);
      continue;
    }
    if (c == '\'') in_literal = true;
    statement += c;
  }
  finish(statement, statements);
  return statements;
}

}  // namespace itemlookup
