#pragma once

// Turns the numeric text a database column delivers into the host's unsigned fixed-point field.

namespace host_modules {

inline constexpr int kNumericTextWidth = 18;
inline constexpr int kNumericValueDigits = 18;
inline constexpr int kNumericIntegerDigits = 10;
inline constexpr int kNumericDecimalDigits = 8;

inline constexpr int kNumericTextConverted = 0;
inline constexpr int kNumericTextNotANumber = 1;
inline constexpr int kNumericTextIntegerOverflow = 2;

// Reads up to kNumericTextWidth bytes of `text` (a NUL ends it early): blanks, an optional sign,
// digits with one optional '.' or ',' and an optional exponent, blanks. Writes the magnitude to
// the kNumericValueDigits bytes of `value` as 10 integer and 8 decimal ASCII digits; decimals past
// the eighth are dropped, not rounded.
// Returns kNumericTextConverted, kNumericTextNotANumber (value is all zeros) or
// kNumericTextIntegerOverflow (a significant integer digit did not fit; the low-order ten are
// kept).
int convert_numeric_text(const char* text, char* value);

struct NumericReading {
  int result;         // as convert_numeric_text returns it
  bool dropped_sign;  // a minus sign on a value that is not zero: only its magnitude was written
};
NumericReading read_numeric_text(const char* text, char* value);

}  // namespace host_modules
