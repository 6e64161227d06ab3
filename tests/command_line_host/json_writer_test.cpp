#include "report/json_writer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

TEST(JsonObject, MembersInOrder) {
  JsonObject inner;
  inner.add_string("a", "1");
  JsonObject object;
  object.add_number("line", 3).add_bool("found", false).add_json("fields", inner.text());
  EXPECT_EQ(object.text(), R"({"line":3,"found":false,"fields":{"a":"1"}})");
}

}  // namespace
}  // namespace itemlookup
