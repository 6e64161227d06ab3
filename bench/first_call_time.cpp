// Times the first call of a module after it is loaded, which binds the names it calls (the ODBC
// functions, the converter and, when a step fails, the message module), against the calls after
// it. The host's connection is warmed first by the same lookup written by hand, so the first
// call pays for the module's binding, not for the driver reading the schema.
//
// usage: first_call_time CASE [--failing]      CASE is one of the lookup cases, e.g. VELDORIN/1
//   --failing  runs on an empty SQLite database: every statement fails and is reported, so the
//              first call binds the message module too (its reports go to stderr)
// Prints one line of JSON: microseconds to load the module, of the first call (wall clock, and
// CPU time of the thread, which a busy machine's preemption does not inflate), and the median of
// the calls after it.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "demo_databases.hpp"
#include "lookup_cases.hpp"
#include "module_lookup.hpp"
#include "odbc_lookups.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLaterCalls = 21;
constexpr int kConnectionWarmUps = 2;

double microseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::micro>(duration).count();
}

double thread_cpu_microseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

const lookup_bench::LookupCase* find_case(std::string_view name) {
  for (const lookup_bench::LookupCase& lookup : lookup_bench::lookup_cases()) {
    if (lookup.name == name) return &lookup;
  }
  return nullptr;
}

std::unique_ptr<itemlookup::OdbcConnection> open_database(
    bool failing, const test_support::TemporaryFolder& folder,
    std::unique_ptr<lookup_bench::SqliteDemo>& demo) {
  if (failing) {
    return std::make_unique<itemlookup::OdbcConnection>("DRIVER=SQLite3;Database=" +
                                                        (folder.path() / "empty.db").string());
  }
  demo = std::make_unique<lookup_bench::SqliteDemo>();
  return demo->connect();
}

int run(const lookup_bench::LookupCase& lookup, bool failing) {
  if (chdir(lookup_bench::built_module_directory().c_str()) != 0) {
    std::cerr << "first_call_time: cannot enter " << lookup_bench::built_module_directory() << '\n';
    return 2;
  }
  const test_support::TemporaryFolder folder("item-lookup-bench-");
  std::unique_ptr<lookup_bench::SqliteDemo> demo;
  const auto connection = open_database(failing, folder, demo);
  lookup_bench::OdbcDirectLookup by_hand(lookup, connection->connection());
  for (int i = 0; i < kConnectionWarmUps; ++i) by_hand.run();

  const Clock::time_point before_load = Clock::now();
  lookup_bench::ModuleLookup module(lookup, lookup_bench::built_module_directory(),
                                    connection->environment(), connection->connection());
  const Clock::time_point loaded = Clock::now();
  const double cpu_before = thread_cpu_microseconds();
  module.run();
  const double first_cpu = thread_cpu_microseconds() - cpu_before;
  const Clock::time_point first_done = Clock::now();
  if (!failing && !module.found()) {
    std::cerr << "first_call_time: " << lookup.name << " does not find its demo row\n";
    return 1;
  }
  std::vector<double> later;
  for (int i = 0; i < kLaterCalls; ++i) {
    const Clock::time_point start = Clock::now();
    module.run();
    later.push_back(microseconds(Clock::now() - start));
  }
  std::nth_element(later.begin(), later.begin() + kLaterCalls / 2, later.end());
  std::cout << "{\"case\": \"" << lookup.name << "\", \"failing\": " << std::boolalpha << failing
            << ", \"load_us\": " << microseconds(loaded - before_load)
            << ", \"first_call_us\": " << microseconds(first_done - loaded)
            << ", \"first_call_cpu_us\": " << first_cpu
            << ", \"later_call_us\": " << later[kLaterCalls / 2] << "}" << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool failing = argc == 3 && std::string_view(argv[2]) == "--failing";
  const lookup_bench::LookupCase* lookup = argc >= 2 ? find_case(argv[1]) : nullptr;
  if (lookup == nullptr || (argc == 3 && !failing) || argc > 3) {
    std::cerr << "usage: first_call_time CASE [--failing]   (CASE e.g. VELDORIN/1)\n";
    return 2;
  }
  try {
    return run(*lookup, failing);
  } catch (const std::exception& error) {
    std::cerr << "first_call_time: " << error.what() << '\n';
    return 1;
  }
}
