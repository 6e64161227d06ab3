#include "check/connection_check.hpp"

#include <algorithm>

#include "check/check_findings.hpp"

namespace itemlookup {

bool CheckContext::readable(std::string_view table) const {
  return std::find(readable_tables.begin(), readable_tables.end(), table) != readable_tables.end();
}

std::string joined(std::span<const std::string> parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

std::string trimmed(std::string_view text) {
  return std::string(text.substr(0, text.find_last_not_of(' ') + 1));
}

bool plain_key(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return c >= 0x20 && c < 0x7f && c != '\'' && c != '\\';
  });
}

CheckReport check_connection(const OdbcConnection& connection, const LookupHost& host,
                             std::span<const std::string> host_module_problems) {
  CheckReport report;
  check_connection(connection, host, host_module_problems, report);
  return report;
}

void check_connection(const OdbcConnection& connection, const LookupHost& host,
                      std::span<const std::string> host_module_problems, CheckReport& report) {
  report.engine = identify_engine(connection);
  CheckContext context{connection, report, {}};
  check_literals(context);
  check_autocommit(context);
  check_driver_logging(context);
  check_driver_reconnect(context);
  check_server_role(context);
  check_tables(context);
  check_key_comparisons(context);
  check_host_modules(context, host_module_problems);
  check_lookups(context, host);
  check_session_setting(context);
}

}  // namespace itemlookup
