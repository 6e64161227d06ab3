// One run of the command-line host, from parsed options to exit status.
#pragma once

#include "command/command_line.hpp"

namespace itemlookup {

inline constexpr int kExitFound = 0;
inline constexpr int kExitNotFound = 1;
inline constexpr int kExitTrouble = 2;

// Throws CannotRun for anything that stops the run before or instead of a lookup.
int run_host(const HostOptions& options);

}  // namespace itemlookup
