// The frame's chief header: a loaded lookup module's state and its main routine.
#pragma once

#include <span>

#include "called_names.hpp"
#include "module_layout.hpp"
#include "working_record.hpp"

namespace lookup_frame {

// One per loaded module: the working record and the bindings of every called name.
struct ModuleState {
  bool record_prepared = false;
  WorkingRecord record;
  CalledNames names;
};

// The main routine: prepares the working record on the first call after load, resets the result
// area, presets the status where the module does, runs the operation the function code selects
// and hands back the 16-bit return code zero-extended. A function code without an operation runs
// nothing and hands back 0.
int run_lookup(ModuleState& state, const ModuleLayout& module, std::span<void* const> parameters);

}  // namespace lookup_frame
