// Batch lookups: one lookup per input line, one JSON line per lookup on the output, and a
// closing summary on standard error.
#pragma once

#include <cstddef>

#include "batch/batch_input.hpp"
#include "lookup/lookup_host.hpp"
#include "lookup/lookup_retry.hpp"

namespace itemlookup {

struct BatchSummary {
  std::size_t lines = 0;  // lines that held a lookup, or tried to
  std::size_t found = 0;
  std::size_t not_found = 0;
  std::size_t with_warnings = 0;  // found or not, with something lost on the way
  std::size_t failed = 0;         // lookups the database answered with an error
  std::size_t malformed = 0;      // lines that could not run at all
  std::size_t reconnects = 0;     // new connections tried after a lost one
  double seconds = 0;

  bool clean() const { return failed == 0 && malformed == 0; }
};

// Every line runs and gets its own result; a line that cannot run is answered with
// {"line":N,"error":...}. Output errors throw CannotRun.
BatchSummary run_batch(RetryingLookups& lookups, BatchInput& input);

// "itemlookup: " and the summary_text on standard error: the run's last line.
void report_summary(const BatchSummary& summary);

// "12 lines: 8 found, 2 not found, 1 with warnings, 2 errors; 1500 lookups/s", with
// ", 1 reconnect" after the errors when there was any.
std::string summary_text(const BatchSummary& summary);

}  // namespace itemlookup
