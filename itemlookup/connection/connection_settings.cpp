#include "connection/connection_settings.hpp"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>

namespace itemlookup {

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view blank_trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<ConnectionAttribute> last_attribute(std::string_view connection_string,
                                                  std::initializer_list<std::string_view> keys) {
  std::optional<ConnectionAttribute> found;
  std::size_t start = 0;
  while (start < connection_string.size()) {
    const std::size_t equals = connection_string.find('=', start);
    if (equals == std::string_view::npos) break;
    const std::string_view name = blank_trimmed(connection_string.substr(start, equals - start));
    std::size_t end;
    std::string_view value;
    if (equals + 1 < connection_string.size() && connection_string[equals + 1] == '{') {
      const std::size_t close = connection_string.find('}', equals + 2);
      const std::size_t last = close == std::string_view::npos ? connection_string.size() : close;
      value = connection_string.substr(equals + 2, last - equals - 2);
      end = connection_string.find(';', last);
    } else {
      end = connection_string.find(';', equals);
      value = connection_string.substr(
          equals + 1,
          (end == std::string_view::npos ? connection_string.size() : end) - equals - 1);
    }
    for (const std::string_view key : keys) {
      if (same_name(name, key)) {
        found = ConnectionAttribute{std::string(name), std::string(blank_trimmed(value))};
      }
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return found;
}

std::optional<std::string> connection_attribute(std::string_view connection_string,
                                                std::string_view key) {
  const std::optional<ConnectionAttribute> found = last_attribute(connection_string, {key});
  if (!found) return std::nullopt;
  return found->value;
}

std::optional<std::string> ini_value(const std::string& section, const char* key,
                                     const char* file) {
  char value[512] = {};
  const int length = SQLGetPrivateProfileString(section.c_str(), key, "", value,
                                                static_cast<int>(sizeof value), file);
  if (length <= 0 || value[0] == '\0') return std::nullopt;
  return std::string(blank_trimmed(value));
}

}  // namespace itemlookup
