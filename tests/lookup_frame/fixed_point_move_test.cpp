// The fixed-point move: aligned on the decimal point, excess digits dropped at both ends.
#include <gtest/gtest.h>

#include <string>

#include "numeric_conversion.hpp"

namespace {

std::string move(const std::string& value, std::size_t digits, std::size_t decimals) {
  std::string destination(digits, '#');
  lookup_frame::move_fixed_point(value.data(), destination.data(), digits, decimals);
  return destination;
}

TEST(FixedPointMove, PriceKeepsAllTenIntegerDigitsAndTwoDecimals) {
  EXPECT_EQ(move("000000001234000000", 12, 2), "000000001234");
  EXPECT_EQ(move("987654321012999999", 12, 2), "987654321012");
}

TEST(FixedPointMove, DropsDecimalsWithoutRounding) {
  EXPECT_EQ(move("000000000012900000", 12, 2), "000000000012");  // 0.129 -> 0.12
  EXPECT_EQ(move("000000000099999999", 11, 3), "00000000999");   // 0.99999999 -> 0.999
}

TEST(FixedPointMove, EightIntegerPositionsLoseTheTwoHighestDigits) {
  EXPECT_EQ(move("123456789012345678", 11, 3), "34567890123");
  EXPECT_EQ(move("012345678900000000", 11, 3), "23456789000");  // nine digits: top one lost
  EXPECT_EQ(move("012345678912345678", 15, 7), "234567891234567");
}

TEST(FixedPointMove, FactorKeepsSevenOfEightDecimals) {
  EXPECT_EQ(move("000000001212345678", 15, 7), "000000121234567");
}

TEST(FixedPointMove, WritesTheMagnitudeOfASignedValue) {
  // A trailing overpunch ('p' is a negative zero, 'y' a negative nine) gives its digit.
  EXPECT_EQ(move("00000000123456789y", 12, 2), "000000001234");
  EXPECT_EQ(move("00000000123q000000", 12, 2), "000000001231");
  EXPECT_EQ(move("00000000123x567890", 11, 3), "00000012385");
  EXPECT_EQ(move("0000000012345678p0", 15, 7), "000000123456780");
  EXPECT_EQ(move("0000000012345678 -", 15, 7), "000000123456780");
}

}  // namespace
