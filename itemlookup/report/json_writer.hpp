// Just enough JSON for one lookup per line: objects of strings, numbers, booleans and nested
// objects, written in the order given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace itemlookup {

// A JSON string literal. Bytes that are not valid UTF-8 are taken as Latin-1, so any field a
// database hands back still makes valid JSON.
std::string json_string(std::string_view text);

class JsonObject {
 public:
  // Keys are cut to this many bytes: none of this program's is near it.
  static constexpr std::size_t kMostKeyBytes = 76;

  // `capacity`: the bytes the object is expected to take, made room for at once. `storage`: a
  // text whose room the object writes in, its bytes dropped first (a batch reuses one for every
  // line).
  explicit JsonObject(std::size_t capacity = 0, std::string storage = {});

  // Keys are plain names: they go in as they are.
  JsonObject& add_string(std::string_view key, std::string_view value);
  JsonObject& add_number(std::string_view key, long long value);
  JsonObject& add_bool(std::string_view key, bool value);
  // value must already be JSON: a number's text or an object's text().
  JsonObject& add_json(std::string_view key, std::string_view value);
  // Members between open() and close() go into an object under `key`, in the same text.
  JsonObject& open(std::string_view key);
  JsonObject& close();

  // Members already written as JSON (`"a":1,"b":{` for instance: text() without its braces, or
  // with objects left open), as they are.
  JsonObject& add_members(std::string_view members);

  // The two a batch line is mostly made of, each added only when it can be as it is: a value
  // with nothing to escape (printable ASCII but '"' and '\'), and a host field's digits as a
  // number ("000000001234" with 2 decimals is 12.34). Each says whether it added the member.
  bool add_plain_string(std::string_view key, std::string_view value);
  bool add_decimal(std::string_view key, std::string_view digits, std::uint8_t decimals);

  std::string text() const&;
  std::string text() &&;

 private:
  // Where `bytes` more may be written: the text grows when it must, and each member is written
  // in place, with no append of its own.
  char* room(std::size_t bytes);
  void grow(std::size_t bytes);
  // Writes the separator (unless the member is an object's first) and `"key":`; returns their end.
  char* put_key(char* out, std::string_view key) const;
  void written_to(const char* end) { used_ = static_cast<std::size_t>(end - text_.data()); }

  std::string text_;  // "{" and the members so far in its first used_ bytes; room after them
  std::size_t used_ = 0;
};

}  // namespace itemlookup
