// How a host field's bytes read: text without its padding, digits with their decimal point.
#pragma once

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

}  // namespace itemlookup
