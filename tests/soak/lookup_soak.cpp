// Runs many lookups of every operation, found and missing, against the SQLite demo database in
// one process, as a long-lived host would. Fails when a lookup gives a wrong result, when a
// statement handle stays open after a lookup, or when resident memory grows after warm-up.
//
//   lookup_soak [--lookups N] [--warmup N] [--max-growth-kib N] [--no-memory-check]
//
// Prints the figures: lookups, seconds, lookups per second, resident memory after warm-up, at
// its highest afterwards and at the end, statement handles allocated and left open.
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "connection/odbc_connection.hpp"
#include "counting_driver_manager.hpp"
#include "demo_tables.hpp"
#include "expected_lookups.hpp"
#include "lookup/lookup_host.hpp"
#include "lookup/module_loader.hpp"
#include "resident_memory.hpp"

namespace {

namespace fs = std::filesystem;

struct Settings {
  long lookups = 20000;
  long warmup = -1;  // default: a tenth of the lookups, at most 10000
  long max_growth_kib = 512;
  bool memory_check = true;
};

[[noreturn]] void usage() {
  std::fprintf(stderr,
               "usage: lookup_soak [--lookups N] [--warmup N] [--max-growth-kib N] "
               "[--no-memory-check]\n");
  std::exit(2);
}

Settings parse(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    auto number = [&]() -> long {
      if (i + 1 >= argc) usage();
      char* end = nullptr;
      const long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value < 0) usage();
      return value;
    };
    if (option == "--lookups")
      settings.lookups = number();
    else if (option == "--warmup")
      settings.warmup = number();
    else if (option == "--max-growth-kib")
      settings.max_growth_kib = number();
    else if (option == "--no-memory-check")
      settings.memory_check = false;
    else
      usage();
  }
  if (settings.warmup < 0) settings.warmup = std::min(settings.lookups / 10, 10000L);
  return settings;
}

// The counting layer must be the process's libodbc.so.2, or its counts mean nothing.
void require_counting_driver_manager() {
  void* loaded = dlopen("libodbc.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (loaded == nullptr || dlsym(loaded, "counting_dm_open_statements") == nullptr) {
    std::fprintf(stderr, "lookup_soak: libodbc.so.2 here is not the counting driver manager\n");
    std::exit(2);
  }
  dlclose(loaded);
}

int run(const Settings& settings) {
  require_counting_driver_manager();
  const test_support::SqliteDemoFile database;
  itemlookup::OdbcConnection connection(database.connection_string());
  // The modules find PGMS/ under the current folder, as under any host.
  fs::current_path(ITEM_LOOKUP_LIB_DIR);
  const itemlookup::ModuleSet modules(ITEM_LOOKUP_LIB_DIR);
  const itemlookup::LookupHost host(modules, connection, "");
  const auto lookups = soak::mixed_lookups();

  long warm_kib = soak::resident_kib();
  long peak_kib = warm_kib;
  const long allocated_before = counting_dm_statements_allocated();
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < settings.lookups; ++i) {
    const soak::ExpectedLookup& lookup = lookups[static_cast<std::size_t>(i) % lookups.size()];
    const itemlookup::LookupResult result = host.run(soak::request_for(lookup));
    if (const std::string wrong = soak::mismatch(lookup, result); !wrong.empty()) {
      std::fprintf(stderr, "lookup %ld: %s\n", i, wrong.c_str());
      return 1;
    }
    if (counting_dm_open_statements() != 0) {
      std::fprintf(stderr, "lookup %ld left %ld statement handles open\n", i,
                   counting_dm_open_statements());
      return 1;
    }
    if (i + 1 == settings.warmup) warm_kib = peak_kib = soak::resident_kib();
    if (i >= settings.warmup && (i + 1) % 1000 == 0) {
      peak_kib = std::max(peak_kib, soak::resident_kib());
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long end_kib = soak::resident_kib();
  peak_kib = std::max(peak_kib, end_kib);

  std::printf("lookups %ld in %.1f s (%.0f per second)\n", settings.lookups, seconds,
              static_cast<double>(settings.lookups) / seconds);
  std::printf(
      "resident memory after %ld warm-up lookups %ld KiB, highest after %ld KiB, end "
      "%ld KiB\n",
      settings.warmup, warm_kib, peak_kib, end_kib);
  std::printf("statement handles allocated %ld, open %ld\n",
              counting_dm_statements_allocated() - allocated_before, counting_dm_open_statements());
  if (settings.memory_check && peak_kib - warm_kib > settings.max_growth_kib) {
    std::fprintf(stderr, "resident memory grew by %ld KiB after warm-up (at most %ld allowed)\n",
                 peak_kib - warm_kib, settings.max_growth_kib);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(parse(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lookup_soak: %s\n", error.what());
    return 2;
  }
}
