#pragma once

#include "module_layout.hpp"

namespace customer_item_lookup {

// MARQUETH as the frame runs it: its frame positions, result area and operations.
extern const lookup_frame::ModuleLayout kModule;

}  // namespace customer_item_lookup
