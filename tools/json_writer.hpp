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
  JsonObject& add_string(std::string_view key, std::string_view value);
  JsonObject& add_number(std::string_view key, long long value);
  JsonObject& add_bool(std::string_view key, bool value);
  // value must already be JSON: a number's text or an object's text().
  JsonObject& add_json(std::string_view key, std::string_view value);

  std::string text() const { return "{" + members_ + "}"; }

 private:
  std::string members_;
};

}  // namespace itemlookup
