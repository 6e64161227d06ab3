#include "fixed_text.hpp"

#include <cstdio>

namespace database_integration {

std::string shown_bytes(const char* field, std::size_t width) {
  std::string text = "[";
  for (std::size_t i = 0; i < width; ++i) {
    const auto byte = static_cast<unsigned char>(field[i]);
    if (byte == '\\') {
      text += "\\\\";
    } else if (byte < 0x20 || byte >= 0x7f) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      text += escaped;
    } else {
      text += static_cast<char>(byte);
    }
  }
  return text + "]";
}

}  // namespace database_integration
