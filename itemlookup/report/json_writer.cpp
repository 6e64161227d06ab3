#include "report/json_writer.hpp"

#include <array>

#include "errors_and_text/text_encoding.hpp"

namespace itemlookup {

namespace {

void append_escaped_unit(std::string& out, unsigned unit) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u00";
  out += kHex[(unit >> 4) & 0xf];
  out += kHex[unit & 0xf];
}

// Bytes that stand for themselves inside a JSON string: printable ASCII but the quote and the
// backslash.
constexpr auto kPlainBytes = [] {
  std::array<bool, 256> plain{};
  for (int byte = 0x20; byte < 0x7f; ++byte) plain[byte] = byte != '"' && byte != '\\';
  return plain;
}();

// Appends text as a JSON string literal. Most field values are plain ASCII and go in whole.
void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  std::size_t plain = 0;
  while (plain < text.size() && kPlainBytes[static_cast<unsigned char>(text[plain])]) ++plain;
  out.append(text.substr(0, plain));
  for (std::size_t i = plain; i < text.size(); ++i) {
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
}

}  // namespace

std::string json_string(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  append_json_string(out, text);
  return out;
}

void JsonObject::add_key(std::string_view key) {
  // Keys are this program's own names, with nothing to escape: one append per member.
  char text[80];
  std::size_t length = 0;
  if (members_.back() != '{') text[length++] = ',';
  text[length++] = '"';
  key = key.substr(0, sizeof text - 4);
  key.copy(text + length, key.size());
  length += key.size();
  text[length++] = '"';
  text[length++] = ':';
  members_.append(text, length);
}

JsonObject& JsonObject::add_json(std::string_view key, std::string_view value) {
  add_key(key);
  members_ += value;
  return *this;
}

JsonObject& JsonObject::open(std::string_view key) {
  add_key(key);
  members_ += '{';
  return *this;
}

JsonObject& JsonObject::close() {
  members_ += '}';
  return *this;
}

JsonObject& JsonObject::add_string(std::string_view key, std::string_view value) {
  add_key(key);
  append_json_string(members_, value);
  return *this;
}

JsonObject& JsonObject::add_number(std::string_view key, long long value) {
  return add_json(key, std::to_string(value));
}

JsonObject& JsonObject::add_bool(std::string_view key, bool value) {
  return add_json(key, value ? "true" : "false");
}

}  // namespace itemlookup
