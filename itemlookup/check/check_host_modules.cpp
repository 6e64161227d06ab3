// Finding "host modules": the message module and the converter the lookups call load from PGMS/
// with both their entries, so that a database error can be told from a missing item and a
// number from zero.
#include "check/check_findings.hpp"
#include "platform/shared_library.hpp"

namespace itemlookup {

void check_host_modules(CheckContext& context, std::span<const std::string> problems) {
  const std::string solvake = std::string("SOLVAKE") + platform::kLibrarySuffix;
  const std::string tarnivel = std::string("TARNIVEL") + platform::kLibrarySuffix;
  if (problems.empty()) {
    context.report.add("host modules", true,
                       "PGMS/" + solvake + " and PGMS/" + tarnivel +
                           " answer, with SOLVAKE_TAKE and TARNIVEL_TAKE");
    return;
  }
  std::string detail;
  for (const std::string& problem : problems) detail += (detail.empty() ? "" : "; ") + problem;
  context.report.add("host modules", false, detail,
                     "install this release's " + solvake + " and " + tarnivel +
                         " in PGMS/ beside the lookup modules (or give --modules a folder that "
                         "has them)");
}

}  // namespace itemlookup
