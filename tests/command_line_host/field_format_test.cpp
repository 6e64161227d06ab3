#include "report/field_format.hpp"

#include <gtest/gtest.h>

#include "errors_and_text/field_text.hpp"
#include "errors_and_text/printable_text.hpp"

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

TEST(DisplayedValue, TextIsReadAsUtf8OrAsLatin1) {
  const FieldDef description{"description", FieldKind::text, 8};
  struct Case {
    std::string bytes;
    bool latin1;
    std::string shown;
  };
  const Case cases[] = {
      {"LO\xc3\x87\xc3\x83O  ", false, "LO\xc3\x87\xc3\x83O"},  // valid UTF-8 stays
      {"CREME \xc3\x81", false, "CREME \xc3\x81"},              // a whole last character
      {"CREME  \xc3", false, "CREME  \xef\xbf\xbd"},            // cut by the field's end
      // One U+FFFD for a byte that starts no character and the continuation bytes after it.
      {"A\x80\x80\x80"
       "B   ",
       false,
       "A\xef\xbf\xbd"
       "B"},
      {"\xe2\x82 \xed\xa0\x80", false, "\xef\xbf\xbd \xef\xbf\xbd"},  // cut; a surrogate
      {"CREME  \xc3", true, "CREME  \xc3\x83"},                       // each byte a character
      {"\xff\xe9"
       "t\xe9    ",
       true,
       "\xc3\xbf\xc3\xa9"
       "t\xc3\xa9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(displayed_value(description, c.bytes, c.latin1).text, c.shown) << c.bytes;
  }
}

TEST(Printable, ControlBytesAreEscaped) {
  EXPECT_EQ(printable(std::string("A\x1b[2J\n\x7f", 7)), "A\\x1b[2J\\x0a\\x7f");
}

}  // namespace
}  // namespace itemlookup
