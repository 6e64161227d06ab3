// `itemlookup check`: a preflight of a connection, as given, before any host uses it. Each
// finding reads ok, or names the problem and the exact fix.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "check/check_report.hpp"
#include "lookup/lookup_host.hpp"

namespace itemlookup {

// Reads the connection's engine, string literals, tables, key comparisons, and runs one lookup
// of each module through `host`, whose results carry what the message module heard.
// `host_module_problems`: why the message module or the converter cannot answer, each a problem
// (HostModuleChannel::problems()).
CheckReport check_connection(const OdbcConnection& connection, const LookupHost& host,
                             std::span<const std::string> host_module_problems);
// The same, each finding added to `report` as it is made: should the run end during a wait,
// what was found so far is there.
void check_connection(const OdbcConnection& connection, const LookupHost& host,
                      std::span<const std::string> host_module_problems, CheckReport& report);

}  // namespace itemlookup
