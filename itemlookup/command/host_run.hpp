// One run of the command-line host, from parsed options to exit status.
#pragma once

#include "command/command_line.hpp"
#include "errors_and_text/exit_status.hpp"

namespace itemlookup {

// Throws CannotRun for anything that stops the run before or instead of a lookup.
int run_host(const HostOptions& options);

}  // namespace itemlookup
