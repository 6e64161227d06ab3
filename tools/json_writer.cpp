#include "json_writer.hpp"

#include "text_encoding.hpp"

namespace itemlookup {

namespace {

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
    } else if (const std::size_t length = utf8_sequence_length(text, i); length > 1) {
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
