#include "report/json_writer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

namespace itemlookup {
namespace {

TEST(JsonString, EscapesQuotesBackslashesAndControlBytes) {
  EXPECT_EQ(json_string("D'AGUA \"X\" \\ \t"), R"("D'AGUA \"X\" \\ \u0009")");
  // Every control byte, NUL and DEL included, and nothing else of ASCII.
  for (int byte = 0; byte < 0x80; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
    const bool control = byte < 0x20 || byte == 0x7f;
    const bool quoted = byte == '"' || byte == '\\';
    const std::string expected = control ? escaped : quoted ? "\\" + text : text;
    EXPECT_EQ(json_string(text), "\"" + expected + "\"") << "byte " << byte;
  }
}

TEST(JsonString, ValidUtf8PassesThrough) {
  EXPECT_EQ(json_string("LO\xc3\x87\xc3\x83O"), "\"LO\xc3\x87\xc3\x83O\"");
}

TEST(JsonString, OtherHighBytesReadAsLatin1) {
  // 0xC7 0x83 is no UTF-8 sequence here ("\xc7" followed by a lone continuation byte is, so the
  // lead must be followed by a non-continuation byte).
  EXPECT_EQ(json_string("LO\xc7O"), R"("LO\u00c7O")");
  EXPECT_EQ(json_string("\xff\xfe"), R"("\u00ff\u00fe")");
  EXPECT_EQ(json_string("\xed\xa0\x80"), R"("\u00ed\u00a0\u0080")");  // a surrogate
  EXPECT_EQ(json_string("\xc0\xaf"), R"("\u00c0\u00af")");            // an overlong form
}

// Plain values are read eight bytes at a time and go in whole: a byte that needs escaping must be
// seen wherever it stands.
TEST(JsonObject, EveryByteAnywhereInAValueIsEscapedAsByItself) {
  for (std::size_t length = 1; length <= 20; ++length) {
    for (std::size_t at = 0; at < length; ++at) {
      for (int byte = 0; byte < 0x100; ++byte) {
        std::string value(length, 'a');
        value[at] = static_cast<char>(byte);
        JsonObject object;
        object.add_string("k", value);
        ASSERT_EQ(object.text(), R"({"k":)" + json_string(value) + "}")
            << "byte " << byte << " at " << at << " of " << length;
      }
    }
  }
}

TEST(JsonObject, DigitsAddedAsANumberOrNotAtAll) {
  JsonObject object;
  EXPECT_TRUE(object.add_decimal("pmc_value", "000000001234", 2));
  EXPECT_FALSE(object.add_decimal("pmv_value", "0000000012 4", 2));
  EXPECT_TRUE(object.add_plain_string("unit", "CX"));
  EXPECT_FALSE(object.add_plain_string("note", "D\"AGUA"));
  object.add_members(R"("a":1,"b":{)").add_number("c", -3).close();
  EXPECT_EQ(object.text(), R"({"pmc_value":12.34,"unit":"CX","a":1,"b":{"c":-3}})");
}

TEST(JsonObject, ALineWrittenInTheRoomOfTheLast) {
  JsonObject first(8);
  first.add_string("long", std::string(100, 'x'));
  std::string text = std::move(first).text();
  JsonObject second(8, std::move(text));
  second.add_bool("found", true);
  EXPECT_EQ(std::move(second).text(), R"({"found":true})");
}

TEST(JsonObject, MembersInOrder) {
  JsonObject inner;
  inner.add_string("a", "1");
  JsonObject object;
  object.add_number("line", 3).add_bool("found", false).add_json("fields", inner.text());
  EXPECT_EQ(object.text(), R"({"line":3,"found":false,"fields":{"a":"1"}})");
}

}  // namespace
}  // namespace itemlookup
