// The parameter list of VELDORIN, by position (zero-based), and its status values.
#pragma once

#include <cstdint>
#include <string_view>

#include "item_lookup.h"

namespace item_data_lookup {

// Positions in the order of the parameter table of item_lookup.h: function_code, item_code, ...
#define ITEM_DATA_LOOKUP_POSITION(name, kind, size, decimals) name,
enum Parameter : std::uint8_t { VELDORIN_PARAMETERS(ITEM_DATA_LOOKUP_POSITION) parameter_count };
#undef ITEM_DATA_LOOKUP_POSITION

inline constexpr std::string_view kStatusFound = VELDORIN_STATUS_FOUND;
inline constexpr std::string_view kStatusItemNotFound = VELDORIN_STATUS_ITEM_NOT_FOUND;
inline constexpr std::string_view kStatusCodesNotFound = VELDORIN_STATUS_CODES_NOT_FOUND;

}  // namespace item_data_lookup
