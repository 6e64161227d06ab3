// One lookup run with its ODBC calls recorded by the counting driver manager and standard error
// captured, bounded in time: a lookup that hangs ends the process with a message instead of
// holding up the suite.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "counting_driver_manager.hpp"
#include "expected_lookups.hpp"
#include "lookup/lookup_host.hpp"

namespace database_outage {

// No lookup may take longer, whatever the server does.
inline constexpr std::chrono::seconds kLookupBound{10};

struct ObservedLookup {
  itemlookup::LookupResult result;
  std::string messages;  // standard error meanwhile
  std::vector<counting_dm::RecordedCall> calls;
  std::chrono::duration<double> took{};

  // Calls whose result the statement cycle reports: any but success for allocation, option,
  // binding and drop; any but success and success with info for execution; any but success and
  // no data for the fetch.
  int failed_calls() const;
  // The message module's reports: each starts by reading the first diagnostic record.
  int reports() const;
  int statements() const;
  bool last_drop_succeeded() const;
  std::string describe() const;
};

ObservedLookup observe(const itemlookup::LookupHost& host, const soak::ExpectedLookup& lookup);

}  // namespace database_outage
