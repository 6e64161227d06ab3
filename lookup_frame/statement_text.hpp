#pragma once

#include <cstddef>
#include <span>

#include "module_layout.hpp"

namespace lookup_frame {

// Writes the statement into the buffer: its pieces, a NUL, then spaces to the end. The buffer
// must hold either spaces only or an earlier statement written here. Every apostrophe in a key
// is doubled, so no key can end its literal. Returns the text length.
std::size_t write_statement_text(char* buffer, std::size_t buffer_size,
                                 std::span<const TextPiece> pieces,
                                 std::span<void* const> parameters);

}  // namespace lookup_frame
