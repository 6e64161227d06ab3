#include "errors_and_text/field_text.hpp"

#include <algorithm>

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

}  // namespace itemlookup
