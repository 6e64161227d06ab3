// `itemlookup check`: a preflight of a connection, as given, before any host uses it. Each
// finding reads ok, or names the problem and the exact fix.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "check_report.hpp"
#include "lookup_host.hpp"

namespace itemlookup {

// Reads the connection's engine, string literals, tables, key comparisons, and runs one lookup
// of each module through `host`, whose results carry what the message module heard.
// `host_module_problems`: why the message module or the converter cannot answer, each a problem.
CheckReport check_connection(const OdbcConnection& connection, const LookupHost& host,
                             std::span<const std::string> host_module_problems);

// Why the host modules under directory/PGMS cannot answer: a file that does not load, or one
// without its entry or its TAKE entry (an older module); empty when both answer.
std::vector<std::string> host_module_problems(const std::filesystem::path& directory);

}  // namespace itemlookup
