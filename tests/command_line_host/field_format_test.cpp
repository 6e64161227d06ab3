#include "report/field_format.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "errors_and_text/field_text.hpp"
#include "errors_and_text/printable_text.hpp"
#include "errors_and_text/text_encoding.hpp"

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

// The number as a person writes it, read one byte at a time: what the host's reading, eight bytes
// at a time, must give for every field width, point and digit.
std::optional<std::string> number_by_hand(const std::string& digits, std::size_t decimals) {
  if (digits.empty() || decimals > digits.size()) return std::nullopt;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::string integer = digits.substr(0, digits.size() - decimals);
  while (!integer.empty() && integer.front() == '0') integer.erase(0, 1);
  if (integer.empty()) integer = "0";
  return decimals == 0 ? integer : integer + "." + digits.substr(digits.size() - decimals);
}

TEST(DecimalNumber, EveryWidthPointAndPlaceOfADigit) {
  for (std::size_t width = 1; width <= 20; ++width) {
    for (std::size_t decimals = 0; decimals <= width; ++decimals) {
      std::vector<std::string> fields = {std::string(width, '0'), std::string(width, '9')};
      for (std::size_t at = 0; at < width; ++at) {
        for (const char other : {'7', '/', ':', ' ', '-', 'a', '\x80', '?'}) {
          std::string field(width, '0');
          field[at] = other;
          fields.push_back(field);
        }
      }
      for (const std::string& field : fields) {
        EXPECT_EQ(decimal_number(field, static_cast<std::uint8_t>(decimals)),
                  number_by_hand(field, decimals))
            << "'" << field << "' with " << decimals << " decimals";
      }
    }
  }
}

TEST(FieldText, TrimmedOfItsPaddingAtEveryLength) {
  for (std::size_t text = 0; text <= 20; ++text) {
    for (std::size_t padding = 0; padding <= 20; ++padding) {
      const std::string value = std::string(text, 'A') + (text > 2 ? " B" : "");
      EXPECT_EQ(trimmed_text(value + std::string(padding, ' ')), value) << text << " " << padding;
    }
  }
}

TEST(TextEncoding, AHighByteAnywhereIsNotAscii) {
  for (std::size_t length = 1; length <= 24; ++length) {
    EXPECT_TRUE(is_ascii(std::string(length, '\x7f')));
    for (std::size_t at = 0; at < length; ++at) {
      std::string text(length, 'A');
      text[at] = '\x80';
      EXPECT_FALSE(is_ascii(text)) << length << " " << at;
    }
  }
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
