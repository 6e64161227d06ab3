#include "statement_text.hpp"

#include <algorithm>
#include <cstring>

namespace lookup_frame {

std::size_t write_statement_text(char* buffer, std::size_t buffer_size,
                                 std::span<const TextPiece> pieces,
                                 std::span<void* const> parameters) {
  // The widest statement with every key byte doubled is far below the buffer size; the checks
  // only keep the NUL inside the buffer whatever a module table says.
  // The buffer already holds spaces behind the previous statement's NUL (or nothing but spaces),
  // so only the bytes up to that NUL need blanking again: a lookup stays clear of 10000-byte
  // fills.
  const void* previous_nul = std::memchr(buffer, '\0', buffer_size);
  const std::size_t previous_end =
      previous_nul == nullptr ? buffer_size
                              : static_cast<const char*>(previous_nul) - buffer + std::size_t{1};

  std::size_t length = 0;
  const std::size_t limit = buffer_size - 1;
  for (const TextPiece& piece : pieces) {
    if (piece.key_width == 0) {
      const std::size_t n = std::min(piece.literal.size(), limit - length);
      std::memcpy(buffer + length, piece.literal.data(), n);
      length += n;
      continue;
    }
    const char* key = static_cast<const char*>(parameters[piece.key_parameter]);
    for (std::size_t i = 0; i < piece.key_width && length < limit; ++i) {
      if (key[i] == '\'' && length + 1 < limit) buffer[length++] = '\'';
      buffer[length++] = key[i];
    }
  }
  buffer[length] = '\0';
  if (previous_end > length + 1) std::memset(buffer + length + 1, ' ', previous_end - length - 1);
  return length;
}

}  // namespace lookup_frame
