#include "statement_text.hpp"

#include <algorithm>
#include <cstring>

namespace lookup_frame {

std::size_t write_statement_text(char* buffer, std::size_t buffer_size, std::size_t& extent,
                                 std::span<const TextPiece> pieces,
                                 std::span<void* const> parameters) {
  // The widest statement with every key byte doubled is far below the buffer size; the checks
  // only keep the NUL inside the buffer whatever a module table says.
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
  // Behind the earlier statement's extent the buffer holds spaces already: a lookup blanks the
  // bytes its predecessor wrote, not all 10000. A key may carry a NUL, so the extent is kept, not
  // searched for.
  const std::size_t end = std::min(extent, buffer_size);
  if (end > length + 1) std::memset(buffer + length + 1, ' ', end - length - 1);
  extent = length + 1;
  return length;
}

}  // namespace lookup_frame
