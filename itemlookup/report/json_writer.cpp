#include "report/json_writer.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <utility>

#include "errors_and_text/short_bytes.hpp"
#include "errors_and_text/text_encoding.hpp"

namespace itemlookup {

namespace {

// A key as put_key() writes it, with its separator, quotes and colon.
constexpr std::size_t kMostKeyRoom = JsonObject::kMostKeyBytes + 4;

// Bytes that stand for themselves inside a JSON string: printable ASCII but the quote and the
// backslash.
constexpr auto kPlainBytes = [] {
  std::array<bool, 256> plain{};
  for (int byte = 0x20; byte < 0x7f; ++byte) plain[byte] = byte != '"' && byte != '\\';
  return plain;
}();

// Whether none of eight bytes needs escaping: each is 0x20 to 0x7e, none '"' or '\'. A batch line
// is mostly such values, so they are read eight bytes at a time.
bool plain_word(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  const auto has_zero_byte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  const std::uint64_t control = (word - kOnes * 0x20) & ~word & kHigh;  // a byte below 0x20
  return ((word & kHigh) | control | has_zero_byte(word ^ (kOnes * 0x7f)) |
          has_zero_byte(word ^ (kOnes * '"')) | has_zero_byte(word ^ (kOnes * '\\'))) == 0;
}

char* put_bytes(char* out, std::string_view bytes) {
  return copy_bytes(out, bytes.data(), bytes.size());
}

char* put_escaped_unit(char* out, unsigned unit) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::memcpy(out, "\\u00", 4);
  out[4] = kHex[(unit >> 4) & 0xf];
  out[5] = kHex[unit & 0xf];
  return out + 6;
}

char* put_escaped_string(char* out, std::string_view text) {
  *out++ = '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (kPlainBytes[byte]) {
      *out++ = static_cast<char>(byte);
    } else if (byte == '"' || byte == '\\') {
      *out++ = '\\';
      *out++ = static_cast<char>(byte);
    } else if (byte < 0x20 || byte == 0x7f) {
      out = put_escaped_unit(out, byte);
    } else if (const std::size_t length = utf8_sequence_length(text, i); length > 1) {
      std::memcpy(out, text.data() + i, length);
      out += length;
      i += length - 1;
    } else {
      out = put_escaped_unit(out, byte);
    }
  }
  *out++ = '"';
  return out;
}

}  // namespace

bool needs_no_escaping(std::string_view text) {
  if (text.size() < 8) {
    for (const char c : text) {
      if (!kPlainBytes[static_cast<unsigned char>(c)]) return false;
    }
    return true;
  }
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    if (!plain_word(eight_bytes_at(text.data() + at))) return false;
  }
  // The last eight bytes, some of them read twice.
  return at == text.size() || plain_word(eight_bytes_at(text.data() + text.size() - 8));
}

char* put_json_string(char* out, std::string_view text) {
  if (!needs_no_escaping(text)) return put_escaped_string(out, text);
  *out++ = '"';
  out = put_bytes(out, text);
  *out++ = '"';
  return out;
}

std::string json_string(std::string_view text) {
  std::string out(json_string_room(text.size()), '\0');
  out.resize(static_cast<std::size_t>(put_json_string(out.data(), text) - out.data()));
  return out;
}

JsonObject::JsonObject() : text_(64, '\0') {
  text_[0] = '{';
  used_ = 1;
}

std::string JsonObject::text() const& {
  return text_.substr(0, used_) + "}";
}

std::string JsonObject::text() && {
  text_.resize(used_);
  text_ += '}';
  return std::move(text_);
}

char* JsonObject::room(std::size_t bytes) {
  if (text_.size() - used_ < bytes) text_.resize(std::max(2 * text_.size(), used_ + bytes));
  return text_.data() + used_;
}

char* JsonObject::put_key(char* out, std::string_view key) const {
  // Keys are this program's own names, with nothing to escape.
  if (used_ > 1) *out++ = ',';
  *out++ = '"';
  out = put_bytes(out, key.substr(0, kMostKeyBytes));
  *out++ = '"';
  *out++ = ':';
  return out;
}

JsonObject& JsonObject::add_string(std::string_view key, std::string_view value) {
  char* out = put_key(room(kMostKeyRoom + json_string_room(value.size())), key);
  written_to(put_json_string(out, value));
  return *this;
}

JsonObject& JsonObject::add_json(std::string_view key, std::string_view value) {
  written_to(put_bytes(put_key(room(kMostKeyRoom + value.size()), key), value));
  return *this;
}

JsonObject& JsonObject::add_number(std::string_view key, long long value) {
  constexpr std::size_t kMostDigits = 20;  // of a long long, with its sign
  char* out = put_key(room(kMostKeyRoom + kMostDigits), key);
  written_to(std::to_chars(out, out + kMostDigits, value).ptr);
  return *this;
}

JsonObject& JsonObject::add_bool(std::string_view key, bool value) {
  return add_json(key, value ? "true" : "false");
}

}  // namespace itemlookup
