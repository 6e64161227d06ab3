// Text from outside (a field, an argument, an input line) made safe to show on a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace itemlookup {

// Control bytes as \xNN, so a value cannot disturb the terminal.
std::string printable(std::string_view text);

// A value as a message echoes it: quoted, printable, cut after `most` bytes with "...".
std::string excerpt(std::string_view text, std::size_t most = 60);

}  // namespace itemlookup
