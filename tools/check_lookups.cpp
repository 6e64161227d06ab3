// Findings "lookup VELDORIN" and "lookup MARQUETH": one stored row of each table, looked up
// through the modules as a host would, is found with no error from the message module.
#include <algorithm>
#include <optional>

#include "check_findings.hpp"
#include "command_error.hpp"
#include "lookup_request.hpp"

namespace itemlookup {

namespace {

std::optional<OdbcConnection::Row> first_row(const OdbcConnection& connection,
                                             const std::string& sql) {
  try {
    for (const OdbcConnection::Row& row : connection.query_rows(sql, kSampledRows)) {
      if (std::all_of(row.begin(), row.end(), [](const std::optional<std::string>& value) {
            return value && plain_key(trimmed(*value));
          })) {
        return row;
      }
    }
  } catch (const CommandError&) {
  }
  return std::nullopt;
}

void check_lookup(CheckContext& context, const LookupHost& host, const std::string& module,
                  std::string_view table, const std::optional<OdbcConnection::Row>& row,
                  std::vector<std::string> words) {
  CheckReport& report = context.report;
  const std::string topic = "lookup " + module;
  if (!context.readable(table)) {
    report.add(topic, false, "not run: " + std::string(table) + " cannot be read",
               "see the findings above");
    return;
  }
  if (!row) {
    report.add(topic, false, "not run: no row to look up", "load rows, then check again");
    return;
  }
  for (const std::optional<std::string>& value : *row) words.push_back(trimmed(*value));
  std::string shown;
  for (std::size_t i = 0; i < words.size(); ++i) shown += (i == 0 ? "" : " ") + words[i];
  LookupResult result;
  try {
    result = host.run(parse_lookup_request(words));
  } catch (const CommandError& error) {
    report.add(topic, false, shown + ": " + error.what(), "see the findings above");
    return;
  }
  if (result.failed()) {
    const LookupError& first = result.errors.front();
    report.add(topic, false, shown + ": " + first.sqlstate + " " + first.message,
               "see the findings above");
  } else if (!result.found()) {
    report.add(topic, false,
               shown + ": not found (status " + std::string(result.status()) +
                   ") although the table holds it",
               "see the findings above");
  } else {
    report.add(topic, true, shown + ": found, return code " + std::to_string(result.return_code));
  }
}

}  // namespace

void check_lookups(CheckContext& context, const LookupHost& host) {
  check_lookup(context, host, "VELDORIN", "VNDADFIT",
               first_row(context.connection, "SELECT ADFIT_COD_ITEM FROM VNDADFIT"), {"item"});
  check_lookup(context, host, "MARQUETH", "VNDAITCL",
               first_row(context.connection,
                         "SELECT AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM FROM VNDAITCL"),
               {"customer-item"});
}

}  // namespace itemlookup
