// Batch lookups: one lookup per input line, one JSON line per lookup on the output.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>

#include "lookup_host.hpp"

namespace itemlookup {

struct BatchSummary {
  std::size_t lookups = 0;        // lines that ran, found or not
  std::size_t invalid_lines = 0;  // lines answered with an error object
};

// A line that cannot run is answered with {"line":N,"error":...} and the run goes on.
BatchSummary run_batch(const LookupHost& host, std::istream& input, std::ostream& output,
                       bool flush_each_line);

}  // namespace itemlookup
