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

std::string field_listing(const void* fields, std::span<const lookup_host::FieldInfo> layout) {
  std::string text;
  for (const lookup_host::FieldInfo& field : layout) {
    if (field.mark == 0) continue;  // a handle: a different value per connection
    text.append(field.name).append("=");
    text.append(shown_bytes(static_cast<const char*>(fields) + field.offset, field.width));
    text.append("\n");
  }
  return text;
}

}  // namespace database_integration
