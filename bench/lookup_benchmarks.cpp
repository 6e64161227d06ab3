// Lookups per second of every operation of both modules, each beside the same lookup written by
// hand over ODBC (the statement text executed directly, and prepared once), and on SQLite beside
// the same lookup through SQLite's own C API. PostgreSQL runs when ITEM_LOOKUP_PG_CONNECT names
// a server. "<database>/<case>/paired" measures the module against the hand-written direct
// lookup in alternating blocks and reports the overhead as the counter module_overhead.
//
// Besides Google Benchmark's flags:
//   --iterations=N   run every benchmark exactly N iterations (a smoke run)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "connection_facts.hpp"
#include "demo_databases.hpp"
#include "lookup_cases.hpp"
#include "lookup_ways.hpp"
#include "module_lookup.hpp"
#include "paired_blocks.hpp"

namespace {

using lookup_bench::Lookup;

constexpr std::string_view kIterationsFlag = "--iterations=";

struct Options {
  std::optional<benchmark::IterationCount> iterations;
};

// Takes this program's own flags out of argv, leaving Google Benchmark's.
Options take_own_flags(int& argc, char** argv) {
  Options options;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.starts_with(kIterationsFlag)) {
      const std::string_view digits = argument.substr(kIterationsFlag.size());
      benchmark::IterationCount count = 0;
      const auto [end, error] =
          std::from_chars(digits.data(), digits.data() + digits.size(), count);
      if (error != std::errc() || end != digits.data() + digits.size() || count <= 0) {
        std::cerr << "lookup_benchmarks: bad " << argument << '\n';
        std::exit(2);
      }
      options.iterations = count;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return options;
}

void run_lookups(benchmark::State& state, Lookup* lookup) {
  lookup->run();
  if (!lookup->found()) {
    state.SkipWithError("the lookup does not find its demo row");
    return;
  }
  for (auto _ : state) lookup->run();
  if (!lookup->found()) state.SkipWithError("the lookup lost its demo row");
  state.SetItemsProcessed(state.iterations());
}

void run_pairs(benchmark::State& state, Lookup* module, Lookup* by_hand,
               lookup_bench::PairClock clock) {
  module->run();
  by_hand->run();
  if (!module->found() || !by_hand->found()) {
    state.SkipWithError("a lookup of the pair does not find its demo row");
    return;
  }
  lookup_bench::PairedBlocks pairs(*module, *by_hand, clock);
  for (auto _ : state) pairs.run_pair();
  if (!module->found() || !by_hand->found()) state.SkipWithError("a lookup lost its demo row");
  state.counters["module_overhead"] = pairs.median_overhead();
  state.SetItemsProcessed(state.iterations() * 2 * lookup_bench::PairedBlocks::kLookupsPerBlock);
}

// Every benchmark of one database, named "<database>/<case>/<way>".
class Registry {
 public:
  Registry(const Options& options, std::string_view database, bool wall_clock)
      : options_(options), database_(database), wall_clock_(wall_clock) {}

  // Each way alone, then the module paired with the direct hand-written lookup.
  void add(const lookup_bench::LookupCase& lookup, std::vector<lookup_bench::LookupWay> ways) {
    Lookup* module = nullptr;
    Lookup* by_hand = nullptr;
    for (lookup_bench::LookupWay& way : ways) {
      if (way.name == "module") module = way.lookup.get();
      if (way.name == "odbc_direct") by_hand = way.lookup.get();
      configure(benchmark::RegisterBenchmark(name(lookup, way.name).c_str(), run_lookups,
                                             way.lookup.get()));
      lookups_.push_back(std::move(way.lookup));
    }
    configure(benchmark::RegisterBenchmark(
        name(lookup, "paired").c_str(), run_pairs, module, by_hand,
        wall_clock_ ? lookup_bench::PairClock::wall : lookup_bench::PairClock::thread_cpu));
  }

 private:
  std::string name(const lookup_bench::LookupCase& lookup, std::string_view way) const {
    return std::string(database_) + "/" + std::string(lookup.name) + "/" + std::string(way);
  }

  void configure(benchmark::internal::Benchmark* benchmark) const {
    benchmark->Unit(benchmark::kMicrosecond);
    // The server's share of a lookup is spent in another process: only wall time shows it.
    if (wall_clock_) benchmark->UseRealTime();
    if (options_.iterations) benchmark->Iterations(*options_.iterations);
  }

  const Options& options_;
  std::string_view database_;
  bool wall_clock_;
  std::vector<std::unique_ptr<Lookup>> lookups_;
};

int run(int argc, char** argv) {
  const Options options = take_own_flags(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  // The modules find PGMS/ under the current directory, as they do in a host.
  if (chdir(lookup_bench::built_module_directory().c_str()) != 0) {
    std::cerr << "lookup_benchmarks: cannot enter " << lookup_bench::built_module_directory()
              << '\n';
    return 2;
  }

  const lookup_bench::SqliteDemo sqlite_demo;
  const std::unique_ptr<itemlookup::OdbcConnection> sqlite = sqlite_demo.connect();
  benchmark::AddCustomContext("sqlite_odbc",
                              lookup_bench::describe_connection(sqlite->connection()));
  benchmark::AddCustomContext("sqlite_library", sqlite3_libversion());
  Registry sqlite_benchmarks(options, "sqlite", false);
  for (const lookup_bench::LookupCase& lookup : lookup_bench::lookup_cases()) {
    sqlite_benchmarks.add(lookup, lookup_bench::sqlite_ways(lookup, *sqlite, sqlite_demo.file()));
  }

  std::unique_ptr<lookup_bench::PostgresDemo> postgres;
  std::optional<Registry> postgres_benchmarks;
  const char* postgres_connect = std::getenv("ITEM_LOOKUP_PG_CONNECT");
  if (postgres_connect != nullptr && *postgres_connect != '\0') {
    postgres = std::make_unique<lookup_bench::PostgresDemo>(postgres_connect);
    benchmark::AddCustomContext(
        "postgres_odbc", lookup_bench::describe_connection(postgres->connection().connection()));
    postgres_benchmarks.emplace(options, "postgres", true);
    for (const lookup_bench::LookupCase& lookup : lookup_bench::lookup_cases()) {
      postgres_benchmarks->add(lookup, lookup_bench::odbc_ways(lookup, postgres->connection()));
    }
  } else {
    const char* note = "skipped: ITEM_LOOKUP_PG_CONNECT is not set";
    std::cerr << "lookup_benchmarks: PostgreSQL " << note << '\n';
    benchmark::AddCustomContext("postgres_odbc", note);
  }

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "lookup_benchmarks: " << error.what() << '\n';
    return 1;
  }
}
