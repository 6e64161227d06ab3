#include "batch_mode.hpp"

#include <string>
#include <vector>

#include "batch_line.hpp"
#include "command_error.hpp"
#include "lookup_report.hpp"
#include "progress_meter.hpp"

namespace itemlookup {

BatchSummary run_batch(const LookupHost& host, std::istream& input, std::ostream& output,
                       bool flush_each_line) {
  BatchSummary summary;
  ProgressMeter progress;
  std::string line;
  std::size_t line_number = 0;
  while (std::getline(input, line)) {
    ++line_number;
    if (!is_batch_filler(line)) {
      try {
        const std::vector<std::string> words = split_batch_line(line);
        output << lookup_json(host.run(parse_lookup_request(words)), line_number) << '\n';
        ++summary.lookups;
      } catch (const CommandError& error) {
        output << error_json(line_number, error.what()) << '\n';
        ++summary.invalid_lines;
      }
      if (flush_each_line) output.flush();
    }
    progress.update(line_number);
  }
  progress.finish(line_number);
  output.flush();
  return summary;
}

}  // namespace itemlookup
