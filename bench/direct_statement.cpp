#include "direct_statement.hpp"

#include <cstring>
#include <stdexcept>

namespace lookup_bench {

DirectStatement::DirectStatement(const LookupCase& lookup,
                                 std::span<const char* const> key_fields) {
  std::vector<std::string> literals = statement_literals(lookup);
  std::size_t longest = 0;
  for (std::size_t i = 0; i < literals.size(); ++i) {
    const bool has_key = i < lookup.keys.size();
    pieces_.push_back({std::move(literals[i]), has_key ? key_fields[i] : nullptr,
                       has_key ? lookup.keys[i].width : std::size_t{0}});
    longest += pieces_.back().literal.size() + 2 * pieces_.back().key_width;
  }
  if (longest >= text_.size()) throw std::length_error("statement longer than its buffer");
}

const char* DirectStatement::write() {
  char* out = text_.data();
  for (const Piece& piece : pieces_) {
    std::memcpy(out, piece.literal.data(), piece.literal.size());
    out += piece.literal.size();
    for (std::size_t i = 0; i < piece.key_width; ++i) {
      if (piece.key[i] == '\'') *out++ = '\'';
      *out++ = piece.key[i];
    }
  }
  *out = '\0';
  return text_.data();
}

}  // namespace lookup_bench
