// Finding "string literals": whether the session as given reads a backslash as an ordinary
// character, as the keys the modules send need, proven in a dialect the engine answers.
#include "check/check_findings.hpp"

namespace itemlookup {

void check_literals(CheckContext& context) {
  const LiteralProof proof = prove_literals(context.connection);
  const std::string fix(context.traits().literals_fix);
  switch (proof.reading) {
    case LiteralReading::standard:
      context.report.add(
          "string literals", true,
          "standard: a backslash is an ordinary character (" + proof.statement + ")");
      return;
    case LiteralReading::escaping:
      context.report.add(
          "string literals", false,
          "a backslash escapes the next character, so a key can end its literal early (" +
              proof.statement + ")",
          fix);
      return;
    case LiteralReading::unproven:
      context.report.add("string literals", false,
                         "cannot prove how a backslash is read: no query without a table "
                         "answered (" +
                             tried_literal_statements() + "): " + proof.failure,
                         "a connection that answers one of these; then: " + fix);
      return;
  }
}

}  // namespace itemlookup
