#include "sql_literals.hpp"

namespace fuzzing {

std::optional<SqlReading> read_sql(std::string_view text) {
  SqlReading reading;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] != '\'') {
      reading.outside += text[at++];
      continue;
    }
    reading.outside += "''";
    std::string value;
    ++at;
    for (;;) {
      if (at == text.size()) return std::nullopt;
      if (text[at] == '\'') {
        if (at + 1 < text.size() && text[at + 1] == '\'') {
          value += '\'';
          at += 2;
          continue;
        }
        ++at;
        break;
      }
      value += text[at++];
    }
    reading.literals.push_back(std::move(value));
  }
  return reading;
}

}  // namespace fuzzing
