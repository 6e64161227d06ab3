// The fixed text of a lookup's JSON line, made once per command: what stands between its values
// (the command's own members, the separators and names of the keys and fields, the objects they
// open and close). A line is then that text with each field's value put in its place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

// One key or output field's place in the line.
struct JsonLineSlot {
  // What stands before the value (`,"name":`, and `},"fields":{` where the fields begin), kept in
  // room of a fixed size so it is copied whole in one move; before_size bytes of it count.
  static constexpr std::size_t kMostBeforeBytes = 48;
  std::array<char, kMostBeforeBytes> before{};
  std::uint8_t before_size = 0;
  std::uint8_t parameter = 0;
};

struct JsonLinePlan {
  // The room of its fixed texts, as a slot's: the catalog's longest opening takes 77 bytes.
  static constexpr std::size_t kMostOpeningBytes = 96;
  static constexpr std::size_t kMostClosingBytes = 16;
  // "command":...,"module":...,"function_code":...,"keys":{
  std::array<char, kMostOpeningBytes> opening{};
  std::uint8_t opening_size = 0;
  std::vector<JsonLineSlot> slots;  // the keys, then the outputs
  // What closes the objects left open after the last value.
  std::array<char, kMostClosingBytes> closing{};
  std::uint8_t closing_size = 0;
  // The most bytes the plan's part of a line takes: its text copied whole, each value a string
  // literal of the field's bytes escaped at worst.
  std::size_t most_bytes = 0;
};

[[gnu::cold]] JsonLinePlan make_json_line_plan(const LookupCommand& command);

// The plan of one of lookup_commands(), made once; null for a command the catalog does not hold.
const JsonLinePlan* catalog_json_line_plan(const LookupCommand& command);

}  // namespace itemlookup
