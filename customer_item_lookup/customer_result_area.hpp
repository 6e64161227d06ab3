// The MARQUETH result area: seven text fields, the days as four digits, then one spare byte that
// catches the terminator behind the days.
#pragma once

#include "fixed_field.hpp"
#include "item_lookup.h"

namespace customer_item_lookup::result_area {

using lookup_frame::Field;
using lookup_frame::field_after;

inline constexpr Field item_code{0, MARQUETH_ITEM_CODE_WIDTH};
inline constexpr Field customer_item_code =
    field_after(item_code, MARQUETH_CUSTOMER_ITEM_CODE_WIDTH);
inline constexpr Field unit = field_after(customer_item_code, MARQUETH_UNIT_WIDTH);
inline constexpr Field factor_text = field_after(unit, 17);
inline constexpr Field minimum_lot_text = field_after(factor_text, 13);
inline constexpr Field order_multiple_text = field_after(minimum_lot_text, 13);
inline constexpr Field barcode = field_after(order_multiple_text, MARQUETH_BARCODE_WIDTH);
inline constexpr Field days = field_after(barcode, MARQUETH_DAYS_DIGITS);

inline constexpr std::uint16_t kTextBytes = days.offset;
inline constexpr std::uint16_t kSpareBytes = 1;
inline constexpr std::uint16_t kTotalBytes = lookup_frame::end_of(days) + kSpareBytes;
inline constexpr Field kNumericFields[] = {days};
static_assert(kTextBytes == 129 && kTotalBytes == 134);

}  // namespace customer_item_lookup::result_area
