// The system's own words for a Windows error code, as one line.
#pragma once

#include <string>

namespace itemlookup::platform {

std::string windows_error_text(unsigned long code);

}  // namespace itemlookup::platform
