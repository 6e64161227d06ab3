// SOLVAKE: the host's message module, called by a lookup after an ODBC call failed so the
// operator sees what the driver said. SOLVAKE_TAKE hands the host what was reported since it last
// asked, so a host can tell a database error from a missing row.

#include <atomic>
#include <cstdio>
#include <type_traits>

#include "diagnostic_report.hpp"
#include "driver_manager_binding.hpp"
#include "item_lookup.h"

namespace {

// One journal per host thread: a host may run VELDORIN on one thread and MARQUETH on another, and
// each thread's SOLVAKE_TAKE answers for its own lookups. Fixed storage with nothing to destroy:
// the C library sets up a thread's copy at its first call, and neither a thread's exit nor
// unloading the module runs code of ours.
constinit thread_local host_modules::DiagnosticJournal journal;
static_assert(std::is_trivially_destructible_v<host_modules::DiagnosticJournal>);

// The standard error lines are switched for the whole process, from any thread.
constinit std::atomic<bool> write_lines{true};

}  // namespace

extern "C" __attribute__((visibility("default"))) int SOLVAKE(void* statement_handle,
                                                              void* environment_handle,
                                                              void* connection_handle) {
  const host_modules::DiagnosticSource source = host_modules::choose_diagnostic_source(
      statement_handle, environment_handle, connection_handle);
  journal.begin_report();
  const int answer = host_modules::report_diagnostics(
      host_modules::bind_diagnostic_record_reader(), source,
      write_lines.load(std::memory_order_relaxed) ? stderr : nullptr, &journal);
  journal.end_report(answer);
  return answer;
}

extern "C" __attribute__((visibility("default"))) int SOLVAKE_TAKE(solvake_records* taken,
                                                                   int stderr_lines) {
  const int reports = journal.take(taken);
  if (stderr_lines == SOLVAKE_LINES_OFF || stderr_lines == SOLVAKE_LINES_ON) {
    write_lines.store(stderr_lines == SOLVAKE_LINES_ON, std::memory_order_relaxed);
  }
  return reports;
}
