// itemlookup: a command-line host for the item lookup modules.
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "command/command_line.hpp"
#include "command/failed_run.hpp"
#include "command/host_run.hpp"
#include "errors_and_text/cannot_run.hpp"
#include "platform/standard_streams.hpp"
#include "report/output_sink.hpp"

namespace {

// Whether the operator asked for JSON, read before the options are understood: a usage error
// is then also a JSON object on standard output.
bool json_wanted(const std::vector<std::string>& arguments) {
  const auto end = std::find(arguments.begin(), arguments.end(), "--");
  return std::find(arguments.begin(), end, "--json") != end;
}

void report(const std::vector<std::string>& arguments, const std::string& message) {
  itemlookup::report_failed_run(json_wanted(arguments), message);
}

}  // namespace

int main(int argc, char** argv) {
  itemlookup::platform::prepare_standard_streams();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  itemlookup::buffer_output();
  try {
    return itemlookup::run_host(itemlookup::parse_command_line(arguments));
  } catch (const itemlookup::CannotRun& error) {
    report(arguments, error.what());
  } catch (const std::exception& error) {
    report(arguments, std::string("unexpected failure: ") + error.what());
  }
  return itemlookup::kExitTrouble;
}
