// One line of batch input as words: comma-separated (CSV) when the line has a comma outside
// quotes, blank-separated otherwise. Double quotes group a word in either form; a doubled quote
// inside them is one quote. Apostrophes are ordinary characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace itemlookup {

// Throws CannotRun on an unterminated quote.
std::vector<std::string> split_batch_line(std::string_view line);
// The same into `words`, whose room a batch keeps from line to line.
void split_batch_line(std::string_view line, std::vector<std::string>& words);

// True for lines that hold no lookup: blank, or a comment starting with '#'.
bool is_batch_filler(std::string_view line);

}  // namespace itemlookup
