// Copying a few bytes without a library call: a batch line moves some forty short fields and
// names (most under 16 bytes), where a call to memcpy costs more than the bytes themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace itemlookup {

inline std::uint64_t eight_bytes_at(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// Copies `size` bytes from `in` to `out`; returns the end of what it wrote.
inline char* copy_bytes(char* out, const char* in, std::size_t size) {
  if (size > 16) {
    std::memcpy(out, in, size);
  } else if (size >= 8) {
    // Two words that overlap in the middle.
    const std::uint64_t head = eight_bytes_at(in);
    const std::uint64_t tail = eight_bytes_at(in + size - 8);
    std::memcpy(out, &head, 8);
    std::memcpy(out + size - 8, &tail, 8);
  } else if (size >= 4) {
    std::uint32_t head;
    std::uint32_t tail;
    std::memcpy(&head, in, 4);
    std::memcpy(&tail, in + size - 4, 4);
    std::memcpy(out, &head, 4);
    std::memcpy(out + size - 4, &tail, 4);
  } else {
    for (std::size_t i = 0; i < size; ++i) out[i] = in[i];
  }
  return out + size;
}

}  // namespace itemlookup
