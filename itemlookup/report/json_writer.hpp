// Just enough JSON for the reports: string literals, and objects of strings, numbers, booleans
// and nested JSON, written in the order given.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace itemlookup {

// A JSON string literal. Bytes that are not valid UTF-8 are taken as Latin-1, so any field a
// database hands back still makes valid JSON.
std::string json_string(std::string_view text);

// The most bytes a string literal of `bytes` bytes takes: an escaped byte takes six ("\u00e9").
constexpr std::size_t json_string_room(std::size_t bytes) {
  return 2 + 6 * bytes;
}
// The same literal written at `out`, which has json_string_room(text.size()) bytes of room;
// returns its end. For a line written in one piece.
char* put_json_string(char* out, std::string_view text);
// Whether text goes into a string literal as it stands: printable ASCII but '"' and '\'.
bool needs_no_escaping(std::string_view text);

class JsonObject {
 public:
  // Keys are cut to this many bytes: none of this program's is near it.
  static constexpr std::size_t kMostKeyBytes = 76;

  JsonObject();

  // Keys are plain names: they go in as they are.
  JsonObject& add_string(std::string_view key, std::string_view value);
  JsonObject& add_number(std::string_view key, long long value);
  JsonObject& add_bool(std::string_view key, bool value);
  // value must already be JSON: a number's text or an object's text().
  JsonObject& add_json(std::string_view key, std::string_view value);

  std::string text() const&;
  std::string text() &&;

 private:
  // Where `bytes` more may be written: the text grows when it must, and each member is written
  // in place, with no append of its own.
  char* room(std::size_t bytes);
  // Writes the separator (unless the member is the first) and `"key":`; returns their end.
  char* put_key(char* out, std::string_view key) const;
  void written_to(const char* end) { used_ = static_cast<std::size_t>(end - text_.data()); }

  std::string text_;  // "{" and the members so far in its first used_ bytes; room after them
  std::size_t used_ = 0;
};

}  // namespace itemlookup
