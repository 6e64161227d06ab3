// Finding "session setting": itemlookup's own statement for standard literals, then the proof on
// a fresh statement, and once more on another. A setting that holds for one statement only (a
// pooler handing the next one to a server connection that never saw it) is a problem. Runs last:
// it changes the session the other findings read as given.
#include "check/check_findings.hpp"
#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {

void check_session_setting(CheckContext& context) {
  const std::string statement(context.traits().session_statement);
  const std::string made_by =
      statement.empty() ? "the engine's own reading" : "itemlookup's " + statement;
  try {
    ensure_standard_literals(context.connection, context.report.engine);
  } catch (const CannotRun& error) {
    context.report.add("session setting", false,
                       made_by + " does not make literals standard: " + error.what(),
                       std::string(context.traits().literals_fix));
    return;
  }
  const LiteralProof again = prove_literals(context.connection);
  if (again.reading == LiteralReading::standard) {
    context.report.add("session setting", true,
                       made_by + ": standard literals, proven again on a fresh statement");
    return;
  }
  context.report.add("session setting", false,
                     made_by + " held for one statement but not for the next (" +
                         (again.failure.empty() ? again.statement : again.failure) +
                         "): the session does not keep its settings, as behind a pooler that "
                         "does not track them",
                     "make standard literals every server connection's default (" +
                         std::string(context.traits().literals_fix) + ")");
}

}  // namespace itemlookup
