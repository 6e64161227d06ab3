// Numeric columns become numbers only through the host's converter and a fixed-point move.
#pragma once

#include <cstddef>

#include "lookup_call.hpp"

namespace lookup_frame {

// Moves the 18-digit conversion value (8 decimals) into `digits` digits with `decimals`
// decimals: aligned on the decimal point, excess digits dropped at both ends, never rounded.
// A sign the converter may have put on a digit is dropped: the destination holds the magnitude.
void move_fixed_point(const char* value, char* destination, std::size_t digits,
                      std::size_t decimals);

// Column text into the conversion text field, converter, fixed-point move into the parameter.
void convert_column(const LookupCall& call, const NumberMove& move);

}  // namespace lookup_frame
