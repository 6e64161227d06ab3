// Field bytes as text for a person or a JSON reader: UTF-8 by default, Latin-1 on request
// (--encoding latin1, for single-byte connections).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace itemlookup {

// Plain ASCII reads the same in either encoding.
bool is_ascii(std::string_view text);

// Length of the valid UTF-8 sequence starting at text[at], or 0 if there is none.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at);

struct DecodedText {
  std::string utf8;
  bool replaced = false;  // some bytes were no valid UTF-8 and show as U+FFFD
};

// As UTF-8: a sequence that is invalid, or cut short by the field's end, becomes one U+FFFD.
// As Latin-1: every byte is its own character.
DecodedText decoded_text(std::string_view bytes, bool latin1);

}  // namespace itemlookup
