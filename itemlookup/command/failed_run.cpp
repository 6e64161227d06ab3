#include "command/failed_run.hpp"

#include <iostream>

#include "report/json_writer.hpp"

namespace itemlookup {

void report_failed_run(bool json, const std::string& message) {
  std::cerr << "itemlookup: " << message << '\n';
  if (json) {
    JsonObject error;
    error.add_string("error", message);
    std::cout << error.text() << '\n' << std::flush;
  }
}

}  // namespace itemlookup
