// `itemlookup check`: a preflight of a connection, as given, before any host uses it. Each
// finding reads ok, or names the problem and the exact fix.
#pragma once

#include "check_report.hpp"
#include "lookup_host.hpp"

namespace itemlookup {

// Reads the connection's engine, string literals, tables, key comparisons, and runs one lookup
// of each module through `host`, whose results carry what the message module heard.
CheckReport check_connection(const OdbcConnection& connection, const LookupHost& host);

}  // namespace itemlookup
