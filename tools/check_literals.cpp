// Finding "string literals": whether the session as given reads a backslash as an ordinary
// character, as the keys the modules send need.
#include "check_findings.hpp"

namespace itemlookup {

void check_literals(CheckContext& context) {
  if (reads_standard_literals(context.connection)) {
    context.report.add("string literals", true, "standard: a backslash is an ordinary character");
  } else {
    context.report.add("string literals", false,
                       "a backslash escapes the next character, so a key can end its literal early",
                       std::string(context.traits().literals_fix));
  }
}

}  // namespace itemlookup
