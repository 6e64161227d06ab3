// Runs a fixed number of lookups per case and way on the SQLite demo database, for
// scripts/instruction-counts to run under callgrind (--instr-atstart=no). Setup and warm-up run
// uninstrumented; each batch of lookups is then counted alone and dumped under the name
// "sqlite/<case>/<way>", so the dump holds exactly that batch.
//
// usage: instruction_run [LOOKUPS_PER_BATCH]   (default 1000)
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <charconv>
#include <cstring>
#include <iostream>
#include <string>

#include "demo_databases.hpp"
#include "lookup_cases.hpp"
#include "lookup_ways.hpp"
#include "module_lookup.hpp"

namespace {

constexpr int kWarmUpLookups = 3;

int run(int lookups) {
  if (chdir(lookup_bench::built_module_directory().c_str()) != 0) {
    std::cerr << "instruction_run: cannot enter " << lookup_bench::built_module_directory() << '\n';
    return 2;
  }
  const lookup_bench::SqliteDemo demo;
  const auto connection = demo.connect();
  CALLGRIND_START_INSTRUMENTATION;
  for (const lookup_bench::LookupCase& lookup : lookup_bench::lookup_cases()) {
    for (lookup_bench::LookupWay& way :
         lookup_bench::sqlite_ways(lookup, *connection, demo.file())) {
      // The first lookup binds every name and reads the schema: it is not what a lookup costs.
      for (int i = 0; i < kWarmUpLookups; ++i) way.lookup->run();
      if (!way.lookup->found()) {
        std::cerr << "instruction_run: " << lookup.name << " " << way.name
                  << " does not find its demo row\n";
        return 1;
      }
      const std::string batch = "sqlite/" + std::string(lookup.name) + "/" + std::string(way.name);
      CALLGRIND_ZERO_STATS;
      for (int i = 0; i < lookups; ++i) way.lookup->run();
      CALLGRIND_DUMP_STATS_AT(batch.c_str());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int lookups = 1000;
  if (argc > 2 ||
      (argc == 2 &&
       (std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), lookups).ec != std::errc() ||
        lookups <= 0))) {
    std::cerr << "usage: instruction_run [LOOKUPS_PER_BATCH]\n";
    return 2;
  }
  try {
    return run(lookups);
  } catch (const std::exception& error) {
    std::cerr << "instruction_run: " << error.what() << '\n';
    return 1;
  }
}
