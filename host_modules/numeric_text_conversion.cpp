#include "numeric_text_conversion.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace host_modules {
namespace {

constexpr int kWordBytes = 8;

// No text of 18 bytes can carry a digit further than this from the field, so larger exponents
// only need to keep their side, not their size.
constexpr int kExponentLimit = 1000;

// The mantissa digits sit between two runs of zeros as wide as the value field, so wherever the
// decimal point falls the value is one 18-byte window of this area.
constexpr int kDigitsStart = kNumericValueDigits;
constexpr int kDigitAreaSize = kNumericValueDigits + kNumericTextWidth + kNumericValueDigits;

struct ScannedNumber {
  char area[kDigitAreaSize];
  int digit_count = 0;
  // Count of digits in front of the decimal point once the exponent is applied; may be negative.
  int point = 0;
  bool minus = false;
};

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

bool is_digit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

bool is_sign(char c) {
  return c == '+' || c == '-';
}

bool is_separator(char c) {
  return c == '.' || c == ',';
}

bool is_exponent_mark(char c) {
  return c == 'e' || c == 'E';
}

// How many of the 8 bytes at `group` are spaces counted back from its last byte.
int trailing_spaces_in_word(const char* group) {
  constexpr std::uint64_t kSpaces = 0x2020202020202020;
  std::uint64_t word;
  std::memcpy(&word, group, sizeof word);
  word ^= kSpaces;
  if (word == 0) return kWordBytes;
  if constexpr (std::endian::native == std::endian::little) return std::countl_zero(word) / 8;
  return std::countr_zero(word) / 8;
}

// Columns arrive padded with spaces; finding where the padding starts a word at a time leaves the
// byte-by-byte scan only the number itself.
int end_before_padding(const char* text) {
  int end = kNumericTextWidth;
  for (int group = kNumericTextWidth - kWordBytes; group >= 0; group -= kWordBytes) {
    const int spaces = trailing_spaces_in_word(text + group);
    end -= spaces;
    if (spaces < kWordBytes) return end;
  }
  while (end > 0 && text[end - 1] == ' ') --end;
  return end;
}

int skip_blanks(const char* text, int at, int end) {
  while (at < end && is_blank(text[at])) ++at;
  return at;
}

// Collects the mantissa digits and notes where the decimal point falls. Returns the position of
// the first byte that is not part of the mantissa.
int scan_mantissa(const char* text, int at, int end, ScannedNumber& number) {
  int digit_count = 0;
  int integer_digits = -1;
  for (; at < end; ++at) {
    const char c = text[at];
    if (is_digit(c)) {
      number.area[kDigitsStart + digit_count++] = c;
    } else if (is_separator(c) && integer_digits < 0) {
      integer_digits = digit_count;
    } else {
      break;
    }
  }
  number.digit_count = digit_count;
  number.point = integer_digits < 0 ? digit_count : integer_digits;
  return at;
}

// Reads "e[sign]digits" and moves the decimal point. Returns -1 when the exponent has no digits.
int scan_exponent(const char* text, int at, int end, ScannedNumber& number) {
  ++at;  // the mark
  const bool negative = at < end && text[at] == '-';
  if (at < end && is_sign(text[at])) ++at;
  if (at == end || !is_digit(text[at])) return -1;
  int exponent = 0;
  for (; at < end && is_digit(text[at]); ++at) {
    if (exponent < kExponentLimit) exponent = exponent * 10 + (text[at] - '0');
  }
  number.point += negative ? -exponent : exponent;
  return at;
}

// True when the text up to its first NUL is blanks, or a number between blanks; `end` is where
// its padding starts.
bool scan_number(const char* text, int end, ScannedNumber& number) {
  int at = skip_blanks(text, 0, end);
  if (at == end || text[at] == '\0') return true;
  if (is_sign(text[at])) number.minus = text[at++] == '-';
  at = scan_mantissa(text, at, end, number);
  if (number.digit_count == 0) return false;
  if (at < end && is_exponent_mark(text[at])) {
    at = scan_exponent(text, at, end, number);
    if (at < 0) return false;
  }
  at = skip_blanks(text, at, end);
  return at == end || text[at] == '\0';
}

// Digit i of the mantissa lands at value[i + 10 - point]; digits left of the field are lost (an
// overflow when any of them is significant), digits right of it are dropped.
int place_digits(ScannedNumber& number, char* value) {
  const int digit_count = number.digit_count;
  std::memset(number.area, '0', kDigitsStart);
  std::memset(number.area + kDigitsStart + digit_count, '0', kNumericValueDigits);
  const int window_start = std::clamp(kDigitsStart - kNumericIntegerDigits + number.point, 0,
                                      kDigitsStart + digit_count);
  std::memcpy(value, number.area + window_start, kNumericValueDigits);
  const int lost = std::min(digit_count, number.point - kNumericIntegerDigits);
  for (int i = 0; i < lost; ++i) {
    if (number.area[kDigitsStart + i] != '0') return kNumericTextIntegerOverflow;
  }
  return kNumericTextConverted;
}

// How many of the 8 bytes of `word`, in memory order, are digits before the first that is not.
int leading_digits(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHigh = kOnes * 0x80;
  // A byte's low seven bits plus a constant carry into its high bit exactly when they reach '0'
  // (or pass '9'), and never into the next byte; a byte with its own high bit set is no digit.
  const std::uint64_t low = word & ~kHigh;
  const std::uint64_t from_zero = low + kOnes * (0x80 - '0');
  const std::uint64_t past_nine = low + kOnes * (0x80 - '9' - 1);
  const std::uint64_t others = (~from_zero | past_nine | word) & kHigh;
  if (others == 0) return kWordBytes;
  if constexpr (std::endian::native == std::endian::little) {
    // On a 32-bit machine a 64-bit count of zeros is a call into the compiler's runtime library,
    // which the module must not need: there the word is counted in halves.
    if constexpr (sizeof(void*) >= sizeof(std::uint64_t)) return std::countr_zero(others) / 8;
    const auto low_half = static_cast<std::uint32_t>(others);
    if (low_half != 0) return std::countr_zero(low_half) / 8;
    return 4 + std::countr_zero(static_cast<std::uint32_t>(others >> 32)) / 8;
  }
  return std::countl_zero(others) / 8;
}

// How many digits start at `at`, read a word at a time: a byte that is no digit must follow them
// within a word of the last, where it may be read.
int digit_run(const char* at) {
  int count = 0;
  for (;;) {
    std::uint64_t word;
    std::memcpy(&word, at + count, sizeof word);
    const int digits = leading_digits(word);
    count += digits;
    if (digits < kWordBytes) return count;
  }
}

// The usual column text: digits with at most one separator, then only padding. Its digits go to
// their places in the value with copies of fixed size, from a copy of the text between zeros.
// False, with nothing written, for any other text (blank, signed, with blanks in front, an
// exponent, more than ten integer digits): the full reading takes those.
bool read_plain_decimal(const char* text, int end, char* value) {
  constexpr int kTextAt = kNumericIntegerDigits;  // zeros before the text: the integer part's room
  constexpr int kAfterText = kTextAt + kNumericTextWidth;
  // Zeros before the text, and after it room for a word of no digits (ending a run of digits that
  // fills the text) which then takes the decimals' zeros.
  char area[kAfterText + kWordBytes] = {};
  std::memset(area, '0', kTextAt);
  std::memcpy(area + kTextAt, text, kNumericTextWidth);
  const char* const digits = area + kTextAt;
  const int integer_digits = digit_run(digits);
  int decimals_at = end;  // where the decimals start in the text: at its end when there are none
  if (integer_digits < end) {
    if (!is_separator(digits[integer_digits])) return false;
    decimals_at = integer_digits + 1;
    if (decimals_at + digit_run(digits + decimals_at) != end) return false;
  }
  const int digit_count = decimals_at > integer_digits ? end - 1 : end;
  if (digit_count == 0 || integer_digits > kNumericIntegerDigits) return false;
  // Zeros after the decimals, for the value's decimal places they do not fill.
  std::memset(area + kTextAt + end, '0', kWordBytes);
  std::memcpy(value, area + integer_digits, kNumericIntegerDigits);
  std::memcpy(value + kNumericIntegerDigits, digits + decimals_at, kNumericDecimalDigits);
  return true;
}

}  // namespace

NumericReading read_numeric_text(const char* text, char* value) {
  const int end = end_before_padding(text);
  if (read_plain_decimal(text, end, value)) return {kNumericTextConverted, false};
  ScannedNumber number;
  if (!scan_number(text, end, number)) {
    std::memset(value, '0', kNumericValueDigits);
    return {kNumericTextNotANumber, false};
  }
  const int result = place_digits(number, value);
  // A minus on what reads as zero loses nothing.
  const bool dropped_sign = number.minus && std::any_of(value, value + kNumericValueDigits,
                                                        [](char digit) { return digit != '0'; });
  return {result, dropped_sign};
}

int convert_numeric_text(const char* text, char* value) {
  return read_numeric_text(text, value).result;
}

}  // namespace host_modules
