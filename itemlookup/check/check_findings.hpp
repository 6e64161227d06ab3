// The findings of `itemlookup check`, one function each (check_*.cpp), in the order they run, and
// what they share: the connection as given, the report they add to, and the tables found
// readable so far.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "check/check_report.hpp"
#include "connection/odbc_connection.hpp"
#include "lookup/lookup_host.hpp"

namespace itemlookup {

struct CheckContext {
  const OdbcConnection& connection;
  CheckReport& report;
  std::vector<std::string> readable_tables;  // filled by check_tables

  const EngineTraits& traits() const { return *report.engine.traits; }
  bool readable(std::string_view table) const;
};

// How many stored rows are looked at to find one to test with.
inline constexpr std::size_t kSampledRows = 500;

void check_literals(CheckContext& context);
void check_autocommit(CheckContext& context);
void check_driver_logging(CheckContext& context);
void check_driver_reconnect(CheckContext& context);
void check_server_role(CheckContext& context);
void check_tables(CheckContext& context);
void check_key_comparisons(CheckContext& context);
void check_lookups(CheckContext& context, const LookupHost& host);
void check_host_modules(CheckContext& context, std::span<const std::string> problems);
void check_session_setting(CheckContext& context);

// Helpers of the findings.
std::string joined(std::span<const std::string> parts);
std::string trimmed(std::string_view text);
// A stored key that may go between apostrophes on any session, whatever it reads a backslash as.
bool plain_key(std::string_view text);

}  // namespace itemlookup
