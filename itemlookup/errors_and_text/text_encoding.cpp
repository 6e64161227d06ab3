#include "errors_and_text/text_encoding.hpp"

#include <cstdint>

#include "errors_and_text/short_bytes.hpp"

namespace itemlookup {

namespace {

constexpr std::string_view kReplacement = "\xef\xbf\xbd";

void append_code_point(std::string& out, unsigned code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else {
    out += static_cast<char>(0xc0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3f));
  }
}

bool is_continuation(unsigned char byte) {
  return (byte & 0xc0) == 0x80;
}

}  // namespace

bool is_ascii(std::string_view text) {
  // Eight bytes at a time: a lookup's fields are a few hundred bytes, read for every lookup.
  std::uint64_t high = 0;
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) high |= eight_bytes_at(text.data() + at);
  for (; at < text.size(); ++at) high |= static_cast<unsigned char>(text[at]);
  return (high & 0x8080808080808080u) == 0;
}

std::size_t utf8_sequence_length(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  unsigned minimum = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
    minimum = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    minimum = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  unsigned code_point = lead & (0x7fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (!is_continuation(byte)) return 0;
    code_point = (code_point << 6) | (byte & 0x3fu);
  }
  const bool surrogate = code_point >= 0xd800 && code_point <= 0xdfff;
  return code_point >= minimum && code_point <= 0x10ffff && !surrogate ? length : 0;
}

DecodedText decoded_text(std::string_view bytes, bool latin1) {
  DecodedText decoded;
  // Plain ASCII, the common case, reads the same either way.
  if (is_ascii(bytes)) {
    decoded.utf8 = bytes;
    return decoded;
  }
  for (std::size_t i = 0; i < bytes.size();) {
    if (latin1) {
      append_code_point(decoded.utf8, static_cast<unsigned char>(bytes[i++]));
      continue;
    }
    if (const std::size_t length = utf8_sequence_length(bytes, i); length > 0) {
      decoded.utf8.append(bytes.substr(i, length));
      i += length;
      continue;
    }
    // One replacement for a lead byte and the continuation bytes that belong to it.
    decoded.utf8.append(kReplacement);
    decoded.replaced = true;
    ++i;
    while (i < bytes.size() && is_continuation(static_cast<unsigned char>(bytes[i])) &&
           utf8_sequence_length(bytes, i) == 0) {
      ++i;
    }
  }
  return decoded;
}

}  // namespace itemlookup
