// The NUL scrub works a word at a time: every length, position and byte value must come out as
// if each byte were looked at alone.
#include <gtest/gtest.h>

#include <string>

#include "fixed_field.hpp"

namespace {

TEST(NulScrub, OnlyNulBytesBecomeSpacesAtAnyPositionAndLength) {
  for (std::size_t length = 0; length <= 20; ++length) {
    for (std::size_t at = 0; at < length; ++at) {
      for (int byte = 0; byte < 256; ++byte) {
        std::string area(length, '\0');
        area[at] = static_cast<char>(byte);
        std::string expected(length, ' ');
        expected[at] = byte == 0 ? ' ' : static_cast<char>(byte);
        lookup_frame::scrub_nul(area.data(), area.size());
        ASSERT_EQ(area, expected) << "length " << length << " at " << at << " byte " << byte;
      }
    }
  }
}

TEST(NulScrub, StopsAtItsWidth) {
  std::string area("A\0B\0C\0D\0E\0", 10);
  lookup_frame::scrub_nul(area.data(), 9);
  EXPECT_EQ(area, std::string("A B C D E\0", 10));
}

}  // namespace
