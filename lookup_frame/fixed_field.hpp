// Fixed-width fields: a place in the result area and the byte operations on host fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lookup_frame {

// One field of a module's result area: where it starts and how wide it is.
struct Field {
  std::uint16_t offset;
  std::uint16_t width;
};

// Lays out a record of fields one after the other, without gaps.
constexpr Field field_after(Field previous, std::uint16_t width) {
  return Field{static_cast<std::uint16_t>(previous.offset + previous.width), width};
}

constexpr std::size_t end_of(Field field) {
  return field.offset + field.width;
}

inline void fill(char* destination, std::size_t width, char byte) {
  std::memset(destination, byte, width);
}

inline void copy_bytes(char* destination, const char* source, std::size_t width) {
  std::memcpy(destination, source, width);
}

// A NUL that a driver left behind a value never reaches a text field of the host.
// Every row scrubs the whole result area, so this goes eight bytes at a time: byte by byte it was
// a third of a full item fetch's own instructions.
inline void scrub_nul(char* bytes, std::size_t width) {
  constexpr std::uint64_t kLowSevenBits = 0x7f7f7f7f7f7f7f7f;
  std::size_t i = 0;
  for (; i + sizeof(std::uint64_t) <= width; i += sizeof(std::uint64_t)) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, sizeof word);
    // The top bit of each byte that is zero, and of no other (no carry crosses a byte).
    const std::uint64_t zero_bytes =
        ~(((word & kLowSevenBits) + kLowSevenBits) | word | kLowSevenBits);
    word |= (zero_bytes >> 7) * static_cast<std::uint64_t>(' ');
    std::memcpy(bytes + i, &word, sizeof word);
  }
  for (; i < width; ++i) {
    if (bytes[i] == '\0') bytes[i] = ' ';
  }
}

}  // namespace lookup_frame
