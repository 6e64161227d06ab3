// A mix of lookups over the demo rows, every operation found and missing, each with what it must
// give: its status and, when found, one output field. Serves any database loaded with the demo
// rows (SQLite or PostgreSQL).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup_host.hpp"
#include "lookup/lookup_request.hpp"

namespace soak {

struct ExpectedLookup {
  std::vector<std::string> words;  // as on the command line: command and keys
  bool found;
  std::string_view missing_status;  // the operation's not-found status
  std::string_view field;           // checked when found
  std::string_view value;           // its bytes, trailing spaces aside
};

std::span<const ExpectedLookup> mixed_lookups();

// The request to run for `lookup`; parsed once, kept for the life of the process.
const itemlookup::LookupRequest& request_for(const ExpectedLookup& lookup);

// What is wrong with the result, or empty when it is what the lookup must give.
std::string mismatch(const ExpectedLookup& lookup, const itemlookup::LookupResult& result);

// The result's named field, trailing spaces removed.
std::string field_text(const itemlookup::LookupResult& result, std::string_view name);

}  // namespace soak
