#include "numeric_text_reference.hpp"

#include <algorithm>

namespace fuzzing {

namespace {

constexpr int kIntegerPlaces = 10;
constexpr int kValueDigits = 18;
// Any exponent beyond this puts every digit outside the value; the cap only avoids overflow.
constexpr long kExponentCap = 100000;

bool blank(char c) {
  return c == ' ' || c == '\t';
}
bool digit(char c) {
  return c >= '0' && c <= '9';
}

const ReferenceConversion kNotANumber{1, std::string(kValueDigits, '0')};

}  // namespace

ReferenceConversion reference_conversion(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return {0, std::string(kValueDigits, '0')};

  std::size_t at = 0;
  if (text[at] == '+' || text[at] == '-') ++at;
  std::string digits;
  long point = -1;
  for (; at < text.size(); ++at) {
    if (digit(text[at])) {
      digits += text[at];
    } else if ((text[at] == '.' || text[at] == ',') && point < 0) {
      point = static_cast<long>(digits.size());
    } else {
      break;
    }
  }
  if (digits.empty()) return kNotANumber;
  if (point < 0) point = static_cast<long>(digits.size());

  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    if (at == text.size() || !digit(text[at])) return kNotANumber;
    long exponent = 0;
    for (; at < text.size() && digit(text[at]); ++at) {
      exponent = std::min(kExponentCap, exponent * 10 + (text[at] - '0'));
    }
    point += negative ? -exponent : exponent;
  }
  if (at != text.size()) return kNotANumber;

  // Value place j holds mantissa digit j - 10 + point.
  ReferenceConversion converted{0, std::string(kValueDigits, '0')};
  const long count = static_cast<long>(digits.size());
  for (long j = 0; j < kValueDigits; ++j) {
    const long i = j - kIntegerPlaces + point;
    if (i >= 0 && i < count) converted.value[j] = digits[i];
  }
  for (long i = 0; i < std::min(count, point - kIntegerPlaces); ++i) {
    if (digits[i] != '0') converted.result = 2;
  }
  return converted;
}

}  // namespace fuzzing
