#include "json_writer.hpp"

namespace itemlookup {

namespace {

// Length of the valid UTF-8 sequence starting at text[at], or 0 if there is none.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  unsigned minimum = 0;
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
    if ((byte & 0xc0) != 0x80) return 0;
    code_point = (code_point << 6) | (byte & 0x3fu);
  }
  const bool surrogate = code_point >= 0xd800 && code_point <= 0xdfff;
  return code_point >= minimum && code_point <= 0x10ffff && !surrogate ? length : 0;
}

void append_escaped_unit(std::string& out, unsigned unit) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u00";
  out += kHex[(unit >> 4) & 0xf];
  out += kHex[unit & 0xf];
}

}  // namespace

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else if (byte < 0x20 || byte == 0x7f) {
      append_escaped_unit(out, byte);
    } else if (byte < 0x80) {
      out += static_cast<char>(byte);
    } else if (const std::size_t length = utf8_sequence_length(text, i); length > 0) {
      out.append(text.substr(i, length));
      i += length - 1;
    } else {
      append_escaped_unit(out, byte);
    }
  }
  out += '"';
  return out;
}

JsonObject& JsonObject::add_json(std::string_view key, std::string_view value) {
  if (!members_.empty()) members_ += ',';
  members_ += json_string(key);
  members_ += ':';
  members_ += value;
  return *this;
}

JsonObject& JsonObject::add_string(std::string_view key, std::string_view value) {
  return add_json(key, json_string(value));
}

JsonObject& JsonObject::add_number(std::string_view key, long long value) {
  return add_json(key, std::to_string(value));
}

JsonObject& JsonObject::add_bool(std::string_view key, bool value) {
  return add_json(key, value ? "true" : "false");
}

}  // namespace itemlookup
