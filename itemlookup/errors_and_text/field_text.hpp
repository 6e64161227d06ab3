// How a host field's bytes read: text without its padding, digits with their decimal point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace itemlookup {

// The field without trailing spaces.
std::string_view trimmed_text(std::string_view field);

// "000000001234" with 2 decimals -> "12.34"; "0030" with none -> "30". Empty when the field holds
// anything but digits.
std::optional<std::string> decimal_number(std::string_view digits, std::uint8_t decimals);

// The same number written at `out`, which has room for decimal_number_room(digits) bytes; its
// length, or 0 (nothing written) when the field holds anything but digits. For a batch line,
// which writes many, without a string each.
constexpr std::size_t decimal_number_room(std::string_view digits) {
  return digits.size() + 2;
}
std::size_t write_decimal_number(std::string_view digits, std::uint8_t decimals, char* out);

}  // namespace itemlookup
