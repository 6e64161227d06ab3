// What a hand-written lookup does to put its keys into the statement text: the literal pieces
// fixed once, each key copied in at its full field width with its apostrophes doubled, into one
// buffer reused by every lookup.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "lookup_cases.hpp"

namespace lookup_bench {

class DirectStatement {
 public:
  // `key_fields[i]` is the host field holding key i of the lookup.
  DirectStatement(const LookupCase& lookup, std::span<const char* const> key_fields);

  // Writes the statement for the keys as they stand now; returns the NUL-terminated text.
  const char* write();

 private:
  struct Piece {
    std::string literal;
    const char* key;  // nullptr after the last literal
    std::size_t key_width;
  };
  std::vector<Piece> pieces_;
  std::array<char, 1024> text_{};
};

}  // namespace lookup_bench
