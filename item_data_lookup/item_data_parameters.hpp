// The parameter list of VELDORIN, by position (zero-based), and its status values.
#pragma once

#include <cstdint>
#include <string_view>

#include "item_lookup.h"

namespace item_data_lookup {

enum Parameter : std::uint8_t {
  function_code,
  item_code,
  sales_family,
  external_code,
  barcode,
  description,
  trace_flag,
  detail_flag,
  anvisa_code,
  pmc_value,
  pmv_value,
  net_weight,
  gross_weight,
  status,
  database_kind,
  environment_handle,
  connection_handle,
  parameter_count
};
static_assert(parameter_count == VELDORIN_PARAMETER_COUNT);

inline constexpr std::string_view kStatusFound = VELDORIN_STATUS_FOUND;
inline constexpr std::string_view kStatusItemNotFound = VELDORIN_STATUS_ITEM_NOT_FOUND;
inline constexpr std::string_view kStatusCodesNotFound = VELDORIN_STATUS_CODES_NOT_FOUND;

}  // namespace item_data_lookup
