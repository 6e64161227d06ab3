#include "numeric_conversion.hpp"

#include "outside_modules.hpp"

namespace lookup_frame {

namespace {

constexpr std::size_t kIntegerDigits = kConversionValueDigits - kConversionValueDecimals;

// Digits pass as they are; a digit carrying a trailing-sign overpunch ('p' to 'y') gives its
// magnitude; anything else a converter might leave reads as zero.
char magnitude_digit(char byte) {
  if (byte >= '0' && byte <= '9') return byte;
  if (byte >= 'p' && byte <= 'y') return static_cast<char>('0' + (byte - 'p'));
  return '0';
}

}  // namespace

void move_fixed_point(const char* value, char* destination, std::size_t digits,
                      std::size_t decimals) {
  const std::size_t integer_digits = digits - decimals;
  const char* source = value + (kIntegerDigits - integer_digits);
  for (std::size_t i = 0; i < digits; ++i) destination[i] = magnitude_digit(source[i]);
}

void convert_column(const LookupCall& call, const NumberMove& move) {
  WorkingRecord& record = call.record;
  fill(record.conversion_text, kConversionTextWidth, ' ');
  copy_bytes(record.conversion_text, call.result_field(move.source), move.source.width);
  // A converter that writes nothing must not hand back an earlier lookup's value.
  fill(record.conversion_value, kConversionValueDigits, '0');
  call_converter(call);
  move_fixed_point(record.conversion_value, call.parameter(move.parameter), move.digits,
                   move.decimals);
}

}  // namespace lookup_frame
