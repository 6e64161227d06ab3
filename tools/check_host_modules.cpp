// Finding "host modules": the message module and the converter the lookups call load from PGMS/
// with both their entries, so that a database error can be told from a missing item and a
// number from zero.
#include <dlfcn.h>

#include "check_findings.hpp"

namespace itemlookup {

namespace {

struct HostModule {
  const char* file;  // under the module directory
  const char* entry;
  const char* take_entry;
  const char* without;
};
constexpr HostModule kHostModules[] = {
    {"PGMS/SOLVAKE.so", "SOLVAKE", "SOLVAKE_TAKE",
     "without it a database error cannot be told from a missing item"},
    {"PGMS/TARNIVEL.so", "TARNIVEL", "TARNIVEL_TAKE", "without it every number reads as zero"},
};

}  // namespace

std::vector<std::string> host_module_problems(const std::filesystem::path& directory) {
  std::vector<std::string> problems;
  for (const HostModule& module : kHostModules) {
    const std::string file = (directory / module.file).string();
    void* library = dlopen(file.c_str(), RTLD_NOW);
    if (library == nullptr) {
      const char* message = dlerror();
      problems.push_back(file + " cannot be loaded (" + (message ? message : "no reason given") +
                         "): " + module.without);
      continue;
    }
    for (const char* entry : {module.entry, module.take_entry}) {
      if (dlsym(library, entry) == nullptr) {
        problems.push_back(file + " has no entry " + entry + ": " + module.without);
        break;
      }
    }
    dlclose(library);
  }
  return problems;
}

void check_host_modules(CheckContext& context, std::span<const std::string> problems) {
  if (problems.empty()) {
    context.report.add("host modules", true,
                       "PGMS/SOLVAKE.so and PGMS/TARNIVEL.so answer, with SOLVAKE_TAKE and "
                       "TARNIVEL_TAKE");
    return;
  }
  std::string detail;
  for (const std::string& problem : problems) detail += (detail.empty() ? "" : "; ") + problem;
  context.report.add("host modules", false, detail,
                     "install this release's SOLVAKE.so and TARNIVEL.so in PGMS/ beside the "
                     "lookup modules (or give --modules a folder that has them)");
}

}  // namespace itemlookup
