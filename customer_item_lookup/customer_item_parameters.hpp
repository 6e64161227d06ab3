// The parameter list of MARQUETH, by position (zero-based), and its status values.
#pragma once

#include <cstdint>
#include <string_view>

#include "item_lookup.h"

namespace customer_item_lookup {

enum Parameter : std::uint8_t {
  function_code,
  customer_kind,
  customer_code,
  item_code,
  customer_item_code,
  unit,
  factor,
  minimum_lot,
  order_multiple,
  barcode,
  days,
  status,
  database_kind,
  environment_handle,
  connection_handle,
  parameter_count
};
static_assert(parameter_count == MARQUETH_PARAMETER_COUNT);

inline constexpr std::string_view kStatusNotFound = MARQUETH_STATUS_NOT_FOUND;
inline constexpr std::string_view kStatusCodesNotFound = MARQUETH_STATUS_CODES_NOT_FOUND;

}  // namespace customer_item_lookup
