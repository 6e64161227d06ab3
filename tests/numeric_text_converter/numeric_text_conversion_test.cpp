#include "numeric_text_conversion.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion_run.hpp"

namespace {

using namespace std::string_literals;
using host_modules::convert_numeric_text;

constexpr int kConverted = host_modules::kNumericTextConverted;
constexpr int kNotANumber = host_modules::kNumericTextNotANumber;
constexpr int kOverflow = host_modules::kNumericTextIntegerOverflow;

const std::string kZero = "000000000000000000";

// Joins the ten integer digits and the eight decimals of an expected value field.
std::string field_value(const char* integer_digits, const char* decimals) {
  std::string value = std::string(integer_digits) + decimals;
  EXPECT_EQ(value.size(), kFieldWidth);
  return value;
}

Conversion convert(std::string_view text) {
  return run_conversion(convert_numeric_text, text);
}

void expect_conversion(std::string_view text, int result, const std::string& value) {
  const Conversion conversion = convert(text);
  EXPECT_EQ(conversion.result, result) << "text [" << text << "]";
  EXPECT_EQ(conversion.value, value) << "text [" << text << "]";
}

TEST(NumericTextConversion, DecimalPaddedWithSpaces) {
  expect_conversion("12.34", kConverted, field_value("0000000012", "34000000"));
}

TEST(NumericTextConversion, FractionBelowOne) {
  expect_conversion("0.129", kConverted, field_value("0000000000", "12900000"));
}

TEST(NumericTextConversion, LeadingBlanksAroundWholeNumber) {
  expect_conversion("  7", kConverted, field_value("0000000007", "00000000"));
}

TEST(NumericTextConversion, TabsCountAsBlanks) {
  expect_conversion("\t42\t", kConverted, field_value("0000000042", "00000000"));
}

TEST(NumericTextConversion, NegativeValueWritesMagnitudeWithCommaSeparator) {
  expect_conversion("-5,5", kConverted, field_value("0000000005", "50000000"));
}

TEST(NumericTextConversion, PlusSignAndNoIntegerDigits) {
  expect_conversion("+.5", kConverted, field_value("0000000000", "50000000"));
  expect_conversion(",25", kConverted, field_value("0000000000", "25000000"));
}

TEST(NumericTextConversion, TrailingSeparatorWithoutDecimals) {
  expect_conversion("5.", kConverted, field_value("0000000005", "00000000"));
}

TEST(NumericTextConversion, DecimalsBeyondEighthAreDroppedNotRounded) {
  expect_conversion("1.123456789", kConverted, field_value("0000000001", "12345678"));
  expect_conversion("0.999999999", kConverted, field_value("0000000000", "99999999"));
}

TEST(NumericTextConversion, LargestValueThatFits) {
  expect_conversion("9999999999.9999999", kConverted, field_value("9999999999", "99999990"));
}

// The usual texts, digits with one separator or none, at every length and place of the point,
// short of the field or filling it: each digit lands in its own place of the value.
TEST(NumericTextConversion, PlainDecimalsAtEveryLengthAndPlaceOfThePoint) {
  const std::string digits = "123456789987654321";
  for (std::size_t integer = 0; integer <= 10; ++integer) {
    for (std::size_t decimals = 0; integer + decimals < kFieldWidth; ++decimals) {
      const std::size_t kept = std::min<std::size_t>(decimals, 8);
      const std::string value = std::string(10 - integer, '0') + digits.substr(0, integer) +
                                digits.substr(integer, kept) + std::string(8 - kept, '0');
      for (const std::string separator : {".", ",", ""}) {
        if (separator.empty() ? decimals > 0 || integer == 0 : integer + decimals == 0) continue;
        const std::string text =
            digits.substr(0, integer) + separator + digits.substr(integer, decimals);
        expect_conversion(text, kConverted, value);
      }
    }
  }
}

TEST(NumericTextConversion, NegativeZero) {
  expect_conversion("-0", kConverted, kZero);
}

TEST(NumericTextConversion, LeadingZerosAreNotSignificant) {
  expect_conversion("000000000000012.5", kConverted, field_value("0000000012", "50000000"));
}

TEST(NumericTextConversion, MoreThanTenIntegerDigitsKeepsLowOrderTen) {
  expect_conversion("12345678901.5", kOverflow, field_value("2345678901", "50000000"));
}

TEST(NumericTextConversion, EighteenDigitsWithoutBlanks) {
  expect_conversion("123456789012345678", kOverflow, field_value("9012345678", "00000000"));
}

TEST(NumericTextConversion, PositiveExponentBeyondTheField) {
  expect_conversion("1.5e+20", kOverflow, kZero);
  expect_conversion("1e10", kOverflow, kZero);
}

TEST(NumericTextConversion, PositiveExponentThatFits) {
  expect_conversion("1e9", kConverted, field_value("1000000000", "00000000"));
  expect_conversion("1.5E2", kConverted, field_value("0000000150", "00000000"));
  expect_conversion("1.e5", kConverted, field_value("0000100000", "00000000"));
}

TEST(NumericTextConversion, NegativeExponentMovesDigitsIntoDecimals) {
  expect_conversion("12345e-3", kConverted, field_value("0000000012", "34500000"));
  expect_conversion("5e-8", kConverted, field_value("0000000000", "00000005"));
  expect_conversion("5e-9", kConverted, kZero);
}

TEST(NumericTextConversion, NegativeExponentBringsLongIntegerIntoTheField) {
  expect_conversion("123456789012e-2", kConverted, field_value("1234567890", "12000000"));
}

TEST(NumericTextConversion, ExponentWithManyLeadingZeros) {
  expect_conversion("1e0000000000002", kConverted, field_value("0000000100", "00000000"));
}

TEST(NumericTextConversion, HugeExponentsAreClampedNotOverflowed) {
  expect_conversion("1e999999999", kOverflow, kZero);
  expect_conversion("1e99999999999999", kOverflow, kZero);
  expect_conversion("1e-999999999", kConverted, kZero);
  expect_conversion("1e-9999999999999", kConverted, kZero);
  expect_conversion("0e999999999", kConverted, kZero);
}

TEST(NumericTextConversion, AllBlanksIsZero) {
  expect_conversion("", kConverted, kZero);
  expect_conversion("\t\t  \t", kConverted, kZero);
}

TEST(NumericTextConversion, EmptyTextBeforeTerminatorIsZero) {
  expect_conversion("\0junk"s, kConverted, kZero);
  expect_conversion("   \0 9"s, kConverted, kZero);
}

TEST(NumericTextConversion, TerminatorEndsTextAndJunkAfterItIsIgnored) {
  expect_conversion("12.5\0   junk"s, kConverted, field_value("0000000012", "50000000"));
  expect_conversion("7\0abc"s, kConverted, field_value("0000000007", "00000000"));
  expect_conversion("1e3\0x"s, kConverted, field_value("0000001000", "00000000"));
}

TEST(NumericTextConversion, LettersAreNotANumber) {
  expect_conversion("abc", kNotANumber, kZero);
  expect_conversion("12a", kNotANumber, kZero);
  expect_conversion("0x10", kNotANumber, kZero);
}

TEST(NumericTextConversion, TwoSeparatorsAreNotANumber) {
  expect_conversion("1.2.3", kNotANumber, kZero);
  expect_conversion("1,5,0", kNotANumber, kZero);
  expect_conversion("1.5,0", kNotANumber, kZero);
}

TEST(NumericTextConversion, LoneSignOrSeparatorIsNotANumber) {
  expect_conversion(".", kNotANumber, kZero);
  expect_conversion("-", kNotANumber, kZero);
  expect_conversion("+", kNotANumber, kZero);
  expect_conversion("-.", kNotANumber, kZero);
  expect_conversion("-\0 5"s, kNotANumber, kZero);
}

TEST(NumericTextConversion, MisplacedSignsAreNotANumber) {
  expect_conversion("--5", kNotANumber, kZero);
  expect_conversion("12-", kNotANumber, kZero);
  expect_conversion("+-5", kNotANumber, kZero);
}

TEST(NumericTextConversion, BlankInsideTheNumberIsNotANumber) {
  expect_conversion("1 2", kNotANumber, kZero);
  expect_conversion("- 5", kNotANumber, kZero);
  expect_conversion("1 e5", kNotANumber, kZero);
  expect_conversion("1e 5", kNotANumber, kZero);
}

TEST(NumericTextConversion, ExponentWithoutDigitsIsNotANumber) {
  expect_conversion("1e", kNotANumber, kZero);
  expect_conversion("1e+", kNotANumber, kZero);
  expect_conversion("1e-", kNotANumber, kZero);
  expect_conversion("1e+-5", kNotANumber, kZero);
  expect_conversion("e5", kNotANumber, kZero);
  expect_conversion(".e5", kNotANumber, kZero);
  expect_conversion("1e\0 5"s, kNotANumber, kZero);
}

TEST(NumericTextConversion, ExponentAtTheEndOfTheField) {
  expect_conversion("12345678901234567e", kNotANumber, kZero);
  expect_conversion("1234567890123456e-", kNotANumber, kZero);
  expect_conversion("123456789012345e-5", kConverted, field_value("1234567890", "12345000"));
}

TEST(NumericTextConversion, JunkAfterExponentIsNotANumber) {
  expect_conversion("1e5x", kNotANumber, kZero);
  expect_conversion("1e5.0", kNotANumber, kZero);
}

TEST(NumericTextConversion, WritesExactlyTheEighteenValueBytes) {
  char text[kFieldWidth];
  std::memcpy(text, "12345678901.5     ", kFieldWidth);
  char guarded[kFieldWidth + 4];
  std::memset(guarded, '#', sizeof guarded);
  EXPECT_EQ(convert_numeric_text(text, guarded + 2), kOverflow);
  EXPECT_EQ(std::string(guarded, sizeof guarded), "##234567890150000000##");
}

TEST(NumericTextConversion, LeavesTheTextFieldAlone) {
  const std::string original = "  -1.5e+3 \0junk   "s;
  char text[kFieldWidth];
  std::memcpy(text, original.data(), kFieldWidth);
  char value[kFieldWidth];
  EXPECT_EQ(convert_numeric_text(text, value), kConverted);
  EXPECT_EQ(std::string(value, kFieldWidth), field_value("0000001500", "00000000"));
  EXPECT_EQ(std::string(text, kFieldWidth), original);
}

}  // namespace
