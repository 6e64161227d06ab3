// Just enough JSON for one lookup per line: objects of strings, numbers, booleans and nested
// objects, written in the order given.
#pragma once

#include <string>
#include <string_view>

namespace itemlookup {

// A JSON string literal. Bytes that are not valid UTF-8 are taken as Latin-1, so any field a
// database hands back still makes valid JSON.
std::string json_string(std::string_view text);

class JsonObject {
 public:
  // `capacity`: the bytes the object is expected to take, reserved at once.
  explicit JsonObject(std::size_t capacity = 0) : members_("{") { members_.reserve(capacity); }

  // Keys are plain names: they go in as they are.
  JsonObject& add_string(std::string_view key, std::string_view value);
  JsonObject& add_number(std::string_view key, long long value);
  JsonObject& add_bool(std::string_view key, bool value);
  // value must already be JSON: a number's text or an object's text().
  JsonObject& add_json(std::string_view key, std::string_view value);
  // Members between open() and close() go into an object under `key`, in the same text.
  JsonObject& open(std::string_view key);
  JsonObject& close();

  std::string text() const& { return members_ + "}"; }
  std::string text() && {
    members_ += '}';
    return std::move(members_);
  }

 private:
  void add_key(std::string_view key);

  std::string members_;  // "{" and the members so far
};

}  // namespace itemlookup
