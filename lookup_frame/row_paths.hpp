// What an operation does with the fetched row, or with its absence.
#pragma once

#include "lookup_call.hpp"

namespace lookup_frame {

// Scrubs the whole result area of NUL bytes, then copies and converts into the parameters.
void take_row_path(const LookupCall& call, const Statement& statement);

// Writes the statement's not-found status and clears the outputs it names.
void take_no_row_path(const LookupCall& call, const Statement& statement);

// The run of digits after any leading blanks, right-aligned and zero-filled to `width`.
void copy_right_aligned_digits(const char* source, char* destination, std::size_t width);

}  // namespace lookup_frame
