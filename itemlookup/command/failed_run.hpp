// How a run that cannot go on says why: "itemlookup: <why>" on standard error and, when JSON was
// asked for, {"error":"<why>"} on standard output, so that a JSON reader gets its one object too.
#pragma once

#include <string>

namespace itemlookup {

void report_failed_run(bool json, const std::string& message);

}  // namespace itemlookup
