// The numeric text converter on any 18 bytes: it never reads or writes outside its fields,
// always leaves 18 digits, answers only 0, 1 or 2 (1 with all zeros), leaves the text alone and
// agrees with a plain reading of the numeric text rules.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.hpp"
#include "host_modules/numeric_text_conversion.hpp"
#include "numeric_text_reference.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using host_modules::kNumericTextWidth;
  using host_modules::kNumericValueDigits;
  // Exactly the two host fields, on the heap so that a byte beyond either one is caught.
  const std::size_t taken = std::min<std::size_t>(size, kNumericTextWidth);
  std::string input(kNumericTextWidth, ' ');
  if (taken > 0) std::memcpy(input.data(), data, taken);
  auto* text = new char[kNumericTextWidth];
  auto* value = new char[kNumericValueDigits];
  std::memcpy(text, input.data(), kNumericTextWidth);
  std::memset(value, 'x', kNumericValueDigits);  // every byte must be written

  const int result = host_modules::convert_numeric_text(text, value);
  const std::string written(value, kNumericValueDigits);
  const std::string context = "text " + fuzzing::shown(input) + " value " +
                              fuzzing::shown(written) + " result " + std::to_string(result);

  fuzzing::require(std::memcmp(text, input.data(), kNumericTextWidth) == 0,
                   "the converter leaves its text alone", context);
  fuzzing::require(result == 0 || result == 1 || result == 2, "result is 0, 1 or 2", context);
  fuzzing::require(written.find_first_not_of("0123456789") == std::string::npos,
                   "the value is 18 digits", context);
  fuzzing::require(result != 1 || written == std::string(kNumericValueDigits, '0'),
                   "not a number leaves 18 zeros", context);

  const fuzzing::ReferenceConversion expected = fuzzing::reference_conversion(input);
  fuzzing::require(result == expected.result && written == expected.value,
                   "the converter agrees with the numeric text rules",
                   context + "\nexpected value " + expected.value + " result " +
                       std::to_string(expected.result));
  delete[] text;
  delete[] value;
  return 0;
}
