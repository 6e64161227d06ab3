// How a host field reads to a person: text without its padding, digits with their decimal point.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

// The field without trailing spaces.
std::string_view trimmed_text(std::string_view field);

// "000000001234" with 2 decimals -> "12.34"; "0030" with none -> "30". Empty when the field holds
// anything but digits.
std::optional<std::string> decimal_number(std::string_view digits, std::uint8_t decimals);

// A field's value for display: a number for a digit field that holds digits, text otherwise,
// as UTF-8 (the bytes read as UTF-8, or as Latin-1 when latin1 is set).
struct DisplayedValue {
  bool is_number;
  std::string text;
};
DisplayedValue displayed_value(const FieldDef& field, std::string_view bytes, bool latin1 = false);

// Control bytes as \xNN, so a value cannot disturb the terminal.
std::string printable(std::string_view text);

// A value as a message echoes it: quoted, printable, cut after `most` bytes with "...".
std::string excerpt(std::string_view text, std::size_t most = 60);

}  // namespace itemlookup
