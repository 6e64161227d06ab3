#pragma once

#include "module_layout.hpp"

namespace item_data_lookup {

// VELDORIN as the frame runs it: its frame positions, result area and operations.
extern const lookup_frame::ModuleLayout kModule;

}  // namespace item_data_lookup
