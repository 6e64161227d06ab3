// A violated property ends the run the way a sanitizer does: a message and an abort, which
// libFuzzer records as a crash with its input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzing {

[[noreturn]] inline void violated(const char* property, const std::string& detail = {}) {
  std::fprintf(stderr, "\n*** property violated: %s\n%s\n", property, detail.c_str());
  std::abort();
}

inline void require(bool holds, const char* property, const std::string& detail = {}) {
  if (!holds) violated(property, detail);
}

// Bytes shown with non-printable ones escaped, for messages.
inline std::string shown(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  return "\"" + out + "\"";
}

}  // namespace fuzzing
