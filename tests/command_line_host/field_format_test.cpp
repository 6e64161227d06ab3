#include "field_format.hpp"

#include <gtest/gtest.h>

namespace itemlookup {
namespace {

TEST(DecimalNumber, PlacesThePointAndDropsLeadingZeros) {
  EXPECT_EQ(decimal_number("000000001234", 2), "12.34");
  EXPECT_EQ(decimal_number("000000000001", 2), "0.01");
  EXPECT_EQ(decimal_number("000000000000", 2), "0.00");
  EXPECT_EQ(decimal_number("999999999999", 2), "9999999999.99");
  EXPECT_EQ(decimal_number("000000000000001", 7), "0.0000001");
}

TEST(DecimalNumber, DigitsWithoutDecimals) {
  EXPECT_EQ(decimal_number("0030", 0), "30");
  EXPECT_EQ(decimal_number("0000", 0), "0");
}

TEST(DecimalNumber, AnythingButDigitsIsNotANumber) {
  EXPECT_EQ(decimal_number("00000000123 ", 2), std::nullopt);
  EXPECT_EQ(decimal_number("0000000012-4", 2), std::nullopt);
  EXPECT_EQ(decimal_number("", 0), std::nullopt);
}

TEST(DisplayedValue, DigitFieldHoldingTextShowsTheBytes) {
  const FieldDef price{"pmc_value", FieldKind::digits, 12, 2};
  const DisplayedValue value = displayed_value(price, "00000000 2 4");
  EXPECT_FALSE(value.is_number);
  EXPECT_EQ(value.text, "00000000 2 4");
}

TEST(DisplayedValue, TextLosesTrailingPaddingOnly) {
  const FieldDef code{"item_code", FieldKind::text, 8};
  EXPECT_EQ(displayed_value(code, " A B    ").text, " A B");
  EXPECT_EQ(displayed_value(code, "        ").text, "");
}

TEST(Printable, ControlBytesAreEscaped) {
  EXPECT_EQ(printable(std::string("A\x1b[2J\n\x7f", 7)), "A\\x1b[2J\\x0a\\x7f");
}

}  // namespace
}  // namespace itemlookup
