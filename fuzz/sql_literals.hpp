// Reads a statement text as SQL does: text outside quotes, and quoted literals in which a doubled
// apostrophe stands for one. Lets a fuzz target read back what a statement says regardless of
// how it was written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzing {

struct SqlReading {
  std::string outside;                // the text outside literals, each literal as ''
  std::vector<std::string> literals;  // the literal values, apostrophes undoubled
};

// Nothing when a literal is left open at the end of the text.
std::optional<SqlReading> read_sql(std::string_view text);

}  // namespace fuzzing
