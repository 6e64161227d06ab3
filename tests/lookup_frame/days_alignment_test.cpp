// Days reach the host right-aligned and zero-filled, whatever the driver left behind the digits.
#include <gtest/gtest.h>

#include <string>

#include "row_paths.hpp"

namespace {

std::string aligned(std::string field) {
  std::string destination(4, '#');
  lookup_frame::copy_right_aligned_digits(field.data(), destination.data(), 4);
  return destination;
}

TEST(DaysAlignment, ShortValueIsRightAlignedPastItsTerminator) {
  EXPECT_EQ(aligned("30 0"), "0030");  // "30", its scrubbed terminator, a preset zero
  EXPECT_EQ(aligned("  7 "), "0007");
  EXPECT_EQ(aligned("0030"), "0030");
  EXPECT_EQ(aligned("1234"), "1234");
}

TEST(DaysAlignment, NoLeadingDigitGivesZero) {
  EXPECT_EQ(aligned("    "), "0000");
  EXPECT_EQ(aligned("x123"), "0000");
  EXPECT_EQ(aligned(" 000"), "0000");
}

}  // namespace
