// The usage text, built from the lookup table so it always lists every lookup.
#pragma once

#include <string>

namespace itemlookup {

std::string help_text();

}  // namespace itemlookup
