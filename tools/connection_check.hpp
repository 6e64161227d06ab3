// `itemlookup check`: a preflight of a connection, as given, before any host uses it. Each
// finding reads ok, or names the problem and the exact fix.
#pragma once

#include <string>
#include <vector>

#include "database_engine.hpp"
#include "lookup_host.hpp"

namespace itemlookup {

struct CheckFinding {
  std::string topic;  // "string literals", "table VNDADFIT", ...
  bool ok = true;
  std::string detail;  // what was seen
  std::string fix;     // what to change; empty when ok
};

struct CheckReport {
  DatabaseEngine engine;
  std::vector<CheckFinding> findings;

  std::size_t problems() const;
};

// Reads the connection's engine, string literals, tables, key comparisons, and runs one lookup
// of each module through `host`, whose results carry what the message module heard.
CheckReport check_connection(const OdbcConnection& connection, const LookupHost& host);

std::string check_table(const CheckReport& report);
std::string check_json(const CheckReport& report);

}  // namespace itemlookup
