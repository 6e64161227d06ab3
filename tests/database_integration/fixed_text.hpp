// Host fields as the modules see them: fixed-width bytes, padded with spaces, no terminator.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host_fields.hpp"

namespace database_integration {

// What every field a lookup may write holds before the call, so that a field the module leaves
// alone is told apart from one it blanks or zeroes.
inline constexpr char kUnwritten = '?';

template <std::size_t N>
void put_text(char (&field)[N], std::string_view text) {
  if (text.size() > N)
    throw std::invalid_argument("key wider than its field: " + std::string(text));
  text.copy(field, text.size());
  std::fill(field + text.size(), field + N, ' ');
}

// A key the case gives goes in padded; one it leaves out keeps the field as it was.
template <std::size_t N>
void put_key(char (&field)[N], const std::optional<std::string>& key) {
  if (key) put_text(field, *key);
}

// A key for a test's trace: bracketed so that trailing spaces show.
inline std::string shown_key(const std::optional<std::string>& key) {
  return key ? "[" + *key + "]" : std::string("(not given)");
}

// The bytes of a field, bracketed, with anything unprintable (and the backslash) escaped so
// that two listings are equal exactly when the bytes are.
std::string shown_bytes(const char* field, std::size_t width);

// One "name=[bytes]" line per text or digits field of `fields`, in parameter order.
std::string field_listing(const void* fields, std::span<const lookup_host::FieldInfo> layout);

}  // namespace database_integration
