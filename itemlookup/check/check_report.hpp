// What `itemlookup check` found: one finding per topic, each ok or a problem with its fix, and
// the two ways of showing them (a table for people, one JSON object for programs).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "connection/database_engine.hpp"

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
  // The fix is kept only for a problem.
  void add(std::string topic, bool ok, std::string detail, std::string fix = {});
};

std::string check_table(const CheckReport& report);
std::string check_json(const CheckReport& report);

}  // namespace itemlookup
