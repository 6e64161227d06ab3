#include "errors_and_text/field_text.hpp"

#include <bit>
#include <cstring>

#include "errors_and_text/short_bytes.hpp"

namespace itemlookup {

namespace {

// A batch line has several numbers, each a field of up to 15 digits: they are read eight bytes at
// a time.
constexpr std::uint64_t kEightZeros = 0x3030303030303030u;

// Each byte 0x30 to 0x39: its high half is 3, and adding 6 to its low half carries nothing.
bool eight_digits(std::uint64_t word) {
  constexpr std::uint64_t kHighHalves = 0xf0f0f0f0f0f0f0f0u;
  return (word & kHighHalves) == kEightZeros &&
         ((word + 0x0606060606060606u) & kHighHalves) == kEightZeros;
}

bool all_digits(std::string_view text) {
  if (text.size() < 8) {
    for (const char c : text) {
      if (c < '0' || c > '9') return false;
    }
    return true;
  }
  for (std::size_t at = 0; at + 8 <= text.size(); at += 8) {
    if (!eight_digits(eight_bytes_at(text.data() + at))) return false;
  }
  // The last eight bytes, some of them read twice.
  return eight_digits(eight_bytes_at(text.data() + text.size() - 8));
}

// Where the first of eight bytes that is not '0' is, given which are not (`others`, nonzero).
std::size_t first_other(std::uint64_t others) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(others)) / 8;
  } else {
    return static_cast<std::size_t>(std::countl_zero(others)) / 8;
  }
}

std::size_t leading_zeros(std::string_view digits) {
  if (digits.size() < 8) {
    std::size_t at = 0;
    while (at < digits.size() && digits[at] == '0') ++at;
    return at;
  }
  std::size_t at = 0;
  for (; at + 8 <= digits.size(); at += 8) {
    const std::uint64_t others = eight_bytes_at(digits.data() + at) ^ kEightZeros;
    if (others != 0) return at + first_other(others);
  }
  if (at == digits.size()) return at;
  // The last eight bytes: those read before are zeros.
  const std::uint64_t others = eight_bytes_at(digits.data() + digits.size() - 8) ^ kEightZeros;
  return others == 0 ? digits.size() : digits.size() - 8 + first_other(others);
}

}  // namespace

std::string_view trimmed_text(std::string_view field) {
  std::size_t end = field.size();
  // Fields are padded to their width: the padding goes eight blanks at a time.
  constexpr std::uint64_t kEightBlanks = 0x2020202020202020u;
  for (; end >= 8; end -= 8) {
    const std::uint64_t others = eight_bytes_at(field.data() + end - 8) ^ kEightBlanks;
    if (others == 0) continue;
    // Where the last byte in memory is the word's highest, the blanks that end these eight are
    // its highest zero bytes.
    if constexpr (std::endian::native == std::endian::little) {
      return field.substr(0, end - static_cast<std::size_t>(std::countl_zero(others)) / 8);
    } else {
      break;
    }
  }
  while (end > 0 && field[end - 1] == ' ') --end;
  return field.substr(0, end);
}

std::size_t write_decimal_number(std::string_view digits, std::uint8_t decimals, char* out) {
  if (digits.empty() || decimals > digits.size() || !all_digits(digits)) return 0;
  const std::size_t integer_end = digits.size() - decimals;
  const std::size_t first_significant = leading_zeros(digits.substr(0, integer_end));
  std::size_t length = 0;
  if (first_significant == integer_end) {
    out[length++] = '0';
  } else {
    copy_bytes(out, digits.data() + first_significant, integer_end - first_significant);
    length = integer_end - first_significant;
  }
  if (decimals > 0) {
    out[length++] = '.';
    copy_bytes(out + length, digits.data() + integer_end, decimals);
    length += decimals;
  }
  return length;
}

std::optional<std::string> decimal_number(std::string_view digits, std::uint8_t decimals) {
  std::string number(decimal_number_room(digits), '\0');
  const std::size_t length = write_decimal_number(digits, decimals, number.data());
  if (length == 0) return std::nullopt;
  number.resize(length);
  return number;
}

}  // namespace itemlookup
