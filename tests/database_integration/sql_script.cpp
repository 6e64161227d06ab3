#include "sql_script.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace database_integration {

namespace {

bool blank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

std::vector<std::string> split_sql_script(std::string_view script) {
  std::vector<std::string> statements;
  std::string current;
  char quote = 0;  // the quote character we are inside, or 0
  for (std::size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (quote != 0) {
      current += c;
      if (c == quote) quote = 0;  // a doubled quote closes and reopens: same bytes kept
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      current += c;
    } else if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
      while (i < script.size() && script[i] != '\n') ++i;
      current += '\n';
    } else if (c == ';') {
      if (!blank(current)) statements.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!blank(current)) statements.push_back(current);
  return statements;
}

std::vector<std::string> read_sql_script(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << file.rdbuf();
  return split_sql_script(text.str());
}

}  // namespace database_integration
