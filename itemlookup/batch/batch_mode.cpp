#include "batch/batch_mode.hpp"

#include <chrono>
#include <cmath>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "batch/batch_line.hpp"
#include "batch/progress_meter.hpp"
#include "connection/last_words.hpp"
#include "errors_and_text/cannot_run.hpp"
#include "errors_and_text/printable_text.hpp"
#include "report/lookup_report.hpp"
#include "report/output_sink.hpp"

namespace itemlookup {

namespace {

// Why a line cannot reach a module at all, or empty when it can.
std::string input_problem(const InputLine& line) {
  if (line.too_long()) {
    return "line is " + std::to_string(line.length) + " bytes long, more than " +
           std::to_string(kMostLineBytes) + ": " + excerpt(line.text);
  }
  if (line.has_nul) return "line holds a NUL byte: " + excerpt(line.text);
  return {};
}

}  // namespace

BatchSummary run_batch(RetryingLookups& lookups, BatchInput& input) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  BatchSummary summary;
  const auto finish = [&](BatchSummary& done) {
    done.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    done.reconnects = lookups.reconnects();
  };
  ProgressMeter progress(input.interactive());
  input.before_waiting(flush_output);
  InputLine line;
  std::size_t line_number = 0;
  // Each line's words, request, lookup and output, in the room the line before left: a long batch
  // allocates nothing line by line.
  std::vector<std::string> words;
  LookupRequest request;
  LookupResult lookup;
  std::string room;
  std::string_view result;
  while (input.next(line)) {
    ++line_number;
    if (!line.too_long() && !line.has_nul && is_batch_filler(line.text)) {
      progress.update(line_number);
      continue;
    }
    ++summary.lines;
    std::string problem = input_problem(line);
    if (problem.empty()) {
      try {
        split_batch_line(line.text, words);
        parse_lookup_request(words, request);
        // Should the run end while this line waits: its answer, then the summary, as if the
        // input ended with it.
        const LastWords last_words([&](const std::string& why) {
          BatchSummary ended = summary;
          ++ended.failed;
          finish(ended);
          progress.before_output();
          write_output(lookup_json(timed_out_lookup(request, why), line_number) + '\n');
          flush_output();
          progress.finish(line_number);
          report_summary(ended);
        });
        lookups.run(request, lookup);
        result = lookup_json_line(lookup, line_number, room);
        if (lookup.failed()) {
          ++summary.failed;
        } else {
          ++(lookup.found() ? summary.found : summary.not_found);
        }
        if (!lookup.warnings.empty()) ++summary.with_warnings;
      } catch (const CannotRun& error) {
        problem = error.what();
      }
    }
    if (!problem.empty()) {
      room = error_json(line_number, problem) + '\n';
      result = room;
      ++summary.malformed;
    }
    progress.before_output();
    write_output(result);
    progress.update(line_number);
  }
  progress.finish(line_number);
  flush_output();
  finish(summary);
  return summary;
}

void report_summary(const BatchSummary& summary) {
  std::cerr << "itemlookup: " << summary_text(summary) << '\n';
}

std::string summary_text(const BatchSummary& summary) {
  std::string text = counted(summary.lines, "line") + ": " + std::to_string(summary.found) +
                     " found, " + std::to_string(summary.not_found) + " not found, " +
                     std::to_string(summary.with_warnings) + " with warnings, " +
                     counted(summary.failed + summary.malformed, "error");
  if (summary.malformed > 0) {
    text += " (" + counted(summary.malformed, "line") + " could not run)";
  }
  if (summary.reconnects > 0) text += ", " + counted(summary.reconnects, "reconnect");
  const std::size_t lookups = summary.lines - summary.malformed;
  if (lookups > 0 && summary.seconds > 0) {
    text += "; " + std::to_string(std::lround(static_cast<double>(lookups) / summary.seconds)) +
            " lookups/s";
  }
  return text;
}

}  // namespace itemlookup
