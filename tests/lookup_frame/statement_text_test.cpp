// Statement texts: pieces and keys at full width, a NUL, spaces behind; apostrophes doubled.
#include "statement_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lookup_frame::key;
using lookup_frame::literal;
using lookup_frame::TextPiece;

constexpr TextPiece kPieces[] = {literal("SELECT A FROM T WHERE K = '"), key(0, 6), literal("'")};

struct Written {
  std::string text;
  std::vector<char> buffer;
};

Written write(std::string key_field, std::size_t buffer_size = 64) {
  void* const parameters[] = {key_field.data()};
  std::vector<char> buffer(buffer_size, ' ');
  std::size_t extent = 0;
  const std::size_t length =
      lookup_frame::write_statement_text(buffer.data(), buffer.size(), extent, kPieces, parameters);
  return {std::string(buffer.data(), length), buffer};
}

TEST(StatementText, KeyKeepsItsTrailingSpacesAndBufferEndsInSpaces) {
  const Written written = write("A1    ");
  EXPECT_EQ(written.text, "SELECT A FROM T WHERE K = 'A1    '");
  ASSERT_EQ(written.buffer[written.text.size()], '\0');
  for (std::size_t i = written.text.size() + 1; i < written.buffer.size(); ++i) {
    EXPECT_EQ(written.buffer[i], ' ') << i;
  }
}

TEST(StatementText, ApostrophesInAKeyAreDoubled) {
  EXPECT_EQ(write("D'A   ").text, "SELECT A FROM T WHERE K = 'D''A   '");
  EXPECT_EQ(write("''''''").text, "SELECT A FROM T WHERE K = '" + std::string(12, '\'') + "'");
}

TEST(StatementText, ShorterStatementBlanksWhatTheLongerOneLeft) {
  std::vector<char> buffer(80, ' ');
  // A NUL inside a key must not hide how far the longer statement reached.
  const std::string long_key_bytes = std::string("'") + '\0' + "''''";
  std::string long_key = long_key_bytes;
  std::string short_key = "A     ";
  void* const long_parameters[] = {long_key.data()};
  void* const short_parameters[] = {short_key.data()};
  std::size_t extent = 0;
  lookup_frame::write_statement_text(buffer.data(), buffer.size(), extent, kPieces,
                                     long_parameters);
  const std::size_t length = lookup_frame::write_statement_text(buffer.data(), buffer.size(),
                                                                extent, kPieces, short_parameters);
  EXPECT_EQ(std::string(buffer.data(), length + 1),
            std::string("SELECT A FROM T WHERE K = 'A     '") + '\0');
  EXPECT_EQ(std::string(buffer.data() + length + 1, buffer.size() - length - 1),
            std::string(buffer.size() - length - 1, ' '));
}

TEST(StatementText, NeverWritesPastItsBuffer) {
  const Written written = write("''''''", 30);
  EXPECT_EQ(written.text.size(), 29u);
  EXPECT_EQ(written.buffer[29], '\0');
}

}  // namespace
