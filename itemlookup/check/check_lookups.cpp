// Findings "lookup VELDORIN" and "lookup MARQUETH": one stored row of each table, looked up
// through the modules as a host would, is found with no error from the message module.
#include <algorithm>
#include <optional>

#include "check/check_findings.hpp"
#include "connection/statement_error.hpp"
#include "errors_and_text/cannot_run.hpp"
#include "lookup/lookup_request.hpp"

namespace itemlookup {

namespace {

// A stored row whose keys may go between apostrophes on any session; nothing when the first
// rows hold none.
std::optional<OdbcConnection::Row> first_row(const CheckContext& context, std::string_view columns,
                                             std::string_view table) {
  for (const OdbcConnection::Row& row : context.connection.query_rows(
           limited_select(context.traits(), columns, table, kSampledRows), kSampledRows)) {
    if (std::all_of(row.begin(), row.end(), [](const std::optional<std::string>& value) {
          return value && plain_key(trimmed(*value));
        })) {
      return row;
    }
  }
  return std::nullopt;
}

void check_lookup(CheckContext& context, const LookupHost& host, const std::string& module,
                  std::string_view table, std::string_view key_columns,
                  std::vector<std::string> words) {
  CheckReport& report = context.report;
  const std::string topic = "lookup " + module;
  if (!context.readable(table)) {
    report.add(topic, false, "not run: " + std::string(table) + " cannot be read",
               "see the findings above");
    return;
  }
  std::optional<OdbcConnection::Row> row;
  try {
    row = first_row(context, key_columns, table);
  } catch (const StatementError& error) {
    report.add(topic, false, "not run: no row could be read: " + error.diagnostics(),
               "see the findings above");
    return;
  }
  if (!row) {
    report.add(topic, false, "not run: no row to look up", "load rows, then check again");
    return;
  }
  std::string shown = words.front();
  // Keys go after "--": a stored key may begin with a dash.
  words.emplace_back("--");
  for (const std::optional<std::string>& value : *row) {
    words.push_back(trimmed(*value));
    shown += " " + words.back();
  }
  LookupResult result;
  try {
    result = host.run(parse_lookup_request(words));
  } catch (const CannotRun& error) {
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
  check_lookup(context, host, "VELDORIN", "VNDADFIT", "ADFIT_COD_ITEM", {"item"});
  check_lookup(context, host, "MARQUETH", "VNDAITCL", "AITCL_TIPO, AITCL_CODIGO, AITCL_COD_ITEM",
               {"customer-item"});
}

}  // namespace itemlookup
