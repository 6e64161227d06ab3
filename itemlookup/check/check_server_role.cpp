// Finding "server role" (PostgreSQL): whether the server is a read-only standby, and how far its
// replay is behind. Lookups only read, so a standby is no problem; the lag is shown for the
// operator to judge, since only the deployment knows how stale a row may be.
#include "check/check_findings.hpp"
#include "connection/statement_error.hpp"

namespace itemlookup {

namespace {

constexpr std::string_view kRoleQuery =
    "SELECT pg_is_in_recovery(), now() - pg_last_xact_replay_timestamp()";

bool true_text(const std::optional<std::string>& value) {
  return value == "1" || value == "t" || value == "true";
}

}  // namespace

void check_server_role(CheckContext& context) {
  if (context.traits().label != "PostgreSQL") return;
  OdbcConnection::Row row;
  try {
    const auto rows = context.connection.query_rows(std::string(kRoleQuery), 1);
    if (!rows.empty() && rows[0].size() == 2) row = rows[0];
  } catch (const StatementError& error) {
    context.report.add("server role", false, "cannot be read: " + error.diagnostics(),
                       "see the driver's message");
    return;
  }
  if (row.empty()) {
    context.report.add("server role", false, std::string(kRoleQuery) + " gave no row",
                       "see the driver's message");
  } else if (!true_text(row[0])) {
    context.report.add("server role", true, "primary: reads and writes");
  } else {
    context.report.add("server role", true,
                       "read-only standby, replay lag " +
                           row[1].value_or("unknown: no transaction replayed yet") +
                           " (now() - pg_last_xact_replay_timestamp())");
  }
}

}  // namespace itemlookup
