// The seven lookups as a host sees them: the keys each reads, the columns each statement selects
// and where every column lands among the host's fields, what the no-row path writes, and one
// sample row per operation with the exact field bytes it must leave.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace lookup_catalog {

enum class Module { veldorin, marqueth };

// How a column reaches its host field.
enum class OutputRule {
  text,    // the bytes, padded with spaces
  number,  // through the converter into fixed-point digits
  days,    // the run of digits, right-aligned and zero-filled
};

struct Column {
  std::string_view output;  // the host field it lands in
  std::size_t width;        // its width in the result area; bound with width + 1
  OutputRule rule;
  std::string_view sample;         // what the sample row delivers
  std::string_view sample_output;  // the host field's bytes for that value
};

struct StatementShape {
  std::span<const Column> columns;  // in select-list order
  std::string_view not_found_status;
};

struct Clear {
  std::string_view field;
  char fill;
};

struct OperationShape {
  Module module;
  char function_code;
  std::string_view name;
  std::span<const std::string_view> keys;
  std::span<const StatementShape> statements;  // a later one runs only after a no-row path
  std::span<const Clear> not_found_clears;
};

std::span<const OperationShape> operations();
const OperationShape* find_operation(Module module, char function_code);

// The bytes a column leaves in its host field when the row path finds it blank (an unbound or
// unwritten column): spaces for text, zeros for numbers and days.
char blank_byte(OutputRule rule);

// VELDORIN writes its "found" status on every call; MARQUETH leaves the host's status alone
// unless a row is missing.
inline constexpr std::string_view kVeldorinFound = "00000";
inline constexpr std::string_view kStatusField = "status";

}  // namespace lookup_catalog
