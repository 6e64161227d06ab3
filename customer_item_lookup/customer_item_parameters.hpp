// The parameter list of MARQUETH, by position (zero-based), and its status values.
#pragma once

#include <cstdint>
#include <string_view>

#include "item_lookup.h"

namespace customer_item_lookup {

// Positions in the order of the parameter table of item_lookup.h: function_code, customer_kind, ...
#define CUSTOMER_ITEM_LOOKUP_POSITION(name, kind, size, decimals) name,
enum Parameter : std::uint8_t {
  MARQUETH_PARAMETERS(CUSTOMER_ITEM_LOOKUP_POSITION) parameter_count
};
#undef CUSTOMER_ITEM_LOOKUP_POSITION

inline constexpr std::string_view kStatusNotFound = MARQUETH_STATUS_NOT_FOUND;
inline constexpr std::string_view kStatusCodesNotFound = MARQUETH_STATUS_CODES_NOT_FOUND;

}  // namespace customer_item_lookup
