// What a host asks about its standard input, output and error: whether someone watches a
// terminal, and on Windows, that the bytes pass as they are (no CRLF for a line end).
#pragma once

namespace itemlookup::platform {

enum class StandardStream { input = 0, output = 1, error = 2 };

// Makes standard input and output carry bytes unchanged, so that a --json line is the same on
// every system, and lets the terminal draw the progress line. Called once, first.
void prepare_standard_streams();

// A terminal (Windows: a console) rather than a file, pipe or device.
bool is_terminal(StandardStream stream);
// Both are the same terminal: what one writes lands among what the other wrote.
bool same_terminal(StandardStream first, StandardStream second);

}  // namespace itemlookup::platform
