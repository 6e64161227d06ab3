// Which database the lookups run on: the operator's connection string or data source, else the
// embedded demo database (created on first use).
#pragma once

#include <string>

#include "command/command_line.hpp"

namespace itemlookup {

std::string chosen_connection_string(const HostOptions& options);

}  // namespace itemlookup
