#include "report/field_format.hpp"

#include <algorithm>

#include "report/text_encoding.hpp"

namespace itemlookup {

std::string_view trimmed_text(std::string_view field) {
  const std::size_t end = field.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : field.substr(0, end + 1);
}

std::optional<std::string> decimal_number(std::string_view digits, std::uint8_t decimals) {
  if (digits.empty() || decimals > digits.size() ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::string_view integer_part = digits.substr(0, digits.size() - decimals);
  const std::size_t first_significant = integer_part.find_first_not_of('0');
  integer_part =
      first_significant == std::string_view::npos ? "0" : integer_part.substr(first_significant);
  std::string number(integer_part);
  if (decimals > 0) {
    number += '.';
    number += digits.substr(digits.size() - decimals);
  }
  return number;
}

DisplayedValue displayed_value(const FieldDef& field, std::string_view bytes, bool latin1) {
  if (field.kind == FieldKind::digits) {
    if (std::optional<std::string> number = decimal_number(bytes, field.decimals)) {
      return {true, *number};
    }
    return {false, decoded_text(bytes, latin1).utf8};
  }
  return {false, decoded_text(trimmed_text(bytes), latin1).utf8};
}

std::string printable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xf];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string excerpt(std::string_view text, std::size_t most) {
  return "'" + printable(text.substr(0, most)) + (text.size() > most ? "...'" : "'");
}

}  // namespace itemlookup
