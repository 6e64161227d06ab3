#include "fetch_writer.hpp"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

namespace odbc_double::detail {

namespace {

// Checks every binding first, so that a refused fetch leaves all buffers as they were.
std::string problem_with(const std::map<SQLUSMALLINT, Binding>& bindings, const Row& row) {
  for (const auto& [column, binding] : bindings) {
    const std::string which = "column " + std::to_string(column);
    if (column > row.size()) return which + " is bound but the scripted row has no such column";
    if (binding.c_type != SQL_C_CHAR) return which + " is not bound as SQL_C_CHAR";
    if (!row[column - 1] && binding.indicator == nullptr) {
      return which + " is NULL and has no indicator";
    }
  }
  return {};
}

// Returns whether the value was truncated.
bool write_value(const Binding& binding, const std::string& value, DriverStyle style) {
  const std::size_t room =
      binding.buffer_length > 0 ? static_cast<std::size_t>(binding.buffer_length) : 0;
  const bool truncated = value.size() + 1 > room;
  if (room > 0) {
    auto* buffer = static_cast<char*>(binding.target);
    const std::size_t copied = std::min(value.size(), room - 1);
    std::memcpy(buffer, value.data(), copied);
    const std::size_t cleared = style == DriverStyle::zero_fill ? room - copied : 1;
    std::memset(buffer + copied, 0, cleared);
  }
  return truncated;
}

}  // namespace

RowWriting write_row(const std::map<SQLUSMALLINT, Binding>& bindings, const Row& row,
                     DriverStyle style) {
  RowWriting writing{.problem = problem_with(bindings, row)};
  if (!writing.problem.empty()) return writing;
  for (const auto& [column, binding] : bindings) {
    const Value& value = row[column - 1];
    if (!value) {
      *binding.indicator = SQL_NULL_DATA;
      continue;
    }
    if (binding.indicator != nullptr) *binding.indicator = static_cast<SQLLEN>(value->size());
    writing.truncated |= write_value(binding, *value, style);
  }
  return writing;
}

}  // namespace odbc_double::detail
