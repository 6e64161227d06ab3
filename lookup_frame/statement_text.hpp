#pragma once

#include <cstddef>
#include <span>

#include "module_layout.hpp"

namespace lookup_frame {

// Writes the statement into the buffer: its pieces, a NUL, then spaces to the end. `extent` says
// how many leading bytes of the buffer may hold something other than spaces; only those are
// blanked again, and it is updated for the next statement. Every apostrophe in a key is doubled,
// so no key can end its literal. Returns the text length.
std::size_t write_statement_text(char* buffer, std::size_t buffer_size, std::size_t& extent,
                                 std::span<const TextPiece> pieces,
                                 std::span<void* const> parameters);

}  // namespace lookup_frame
