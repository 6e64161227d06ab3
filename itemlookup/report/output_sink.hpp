// The results on standard output, every write checked: a full disk or a failing device ends the
// run with exit status 2 and the reason, never with a success that wrote nothing.
#pragma once

#include <string_view>

namespace itemlookup {

// Gives standard output a large buffer unless it is a terminal: a batch writes one line per
// lookup, and fewer, larger writes cost less.
void buffer_output();

// Throws CannotRun naming the reason when the bytes cannot be written.
void write_output(std::string_view text);
// Hands what was written to the system; throws CannotRun like write_output.
void flush_output();

}  // namespace itemlookup
