#include "errors_and_text/printable_text.hpp"

namespace itemlookup {

std::string printable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xf];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string excerpt(std::string_view text, std::size_t most) {
  std::string quoted = "'";
  quoted += printable(text.substr(0, most));
  quoted += text.size() > most ? "...'" : "'";
  return quoted;
}

}  // namespace itemlookup
