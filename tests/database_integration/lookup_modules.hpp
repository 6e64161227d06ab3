// The two lookup modules loaded the way a host loads them: dlopen by path, entry by name.
#pragma once

#include "item_lookup.h"

namespace database_integration {

struct LookupModules {
  veldorin_entry veldorin;
  marqueth_entry marqueth;
};

// Loads both modules on first use, from the build's lib folder. The modules find PGMS/ from
// the current directory, so this also checks that the tests run from that folder. Throws
// std::runtime_error saying what is missing.
const LookupModules& lookup_modules();

}  // namespace database_integration
