// The lookups measured: one per operation of each module, each on a demo row it finds, described
// once so that the module call, the hand-written ODBC lookups and the SQLite C API lookup all ask
// for the same row with the same statement.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup_catalog.hpp"

namespace lookup_bench {

// A key column of the WHERE clause: the host parameter the module reads it from, its field width
// and the demo value (padded with spaces to the width, as the host holds it).
struct CaseKey {
  std::string_view column;
  std::uint8_t parameter;
  std::uint8_t width;
  std::string_view value;
};

struct LookupCase {
  std::string_view name;  // "VELDORIN/1"
  const itemlookup::ModuleDef& module;
  char function_code;
  std::string_view select;  // "SELECT ... FROM ... WHERE ": the keys follow, joined by AND
  std::span<const CaseKey> keys;
  std::span<const std::uint8_t> column_widths;  // select-list order
  // The proof the row was found: the first select-list column, which the module copies into
  // this parameter, starts with this value.
  std::uint8_t checked_parameter;
  std::string_view checked_value;
};

std::span<const LookupCase> lookup_cases();

// Text as a host field of `width` bytes holds it: padded with spaces.
std::string padded(std::string_view text, std::size_t width);

// The key value as the host field holds it.
inline std::string padded_key(const CaseKey& key) {
  return padded(key.value, key.width);
}

// The literal pieces of the statement with every key inline as a quoted literal: the text before
// the first key, between each two keys, and after the last one.
std::vector<std::string> statement_literals(const LookupCase& lookup);

// The same statement with a "?" parameter marker per key.
std::string prepared_statement_text(const LookupCase& lookup);

// Whether `bytes` hold the checked value followed by nothing but spaces.
bool holds_checked_value(const LookupCase& lookup, std::string_view bytes);

}  // namespace lookup_bench
