// A plain reading of the numeric text rules, written independently of the converter so that the
// two can be compared on any input: the text up to its first NUL, trimmed of blanks (space, tab),
// must be empty or [sign] digits with at most one '.' or ',' (at least one digit) and an optional
// exponent [eE][sign]digits. The magnitude goes into 10 integer and 8 decimal digits; decimals
// beyond the eighth are dropped; a non-zero digit above the tenth integer place is an overflow.
#pragma once

#include <string>
#include <string_view>

namespace fuzzing {

struct ReferenceConversion {
  int result;         // 0 converted, 1 not a number, 2 integer overflow
  std::string value;  // 18 digits
};

ReferenceConversion reference_conversion(std::string_view text);

}  // namespace fuzzing
