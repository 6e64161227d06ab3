#include "command/connection_choice.hpp"

#include "command/install_layout.hpp"
#include "connection/demo_database.hpp"
#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {

std::string chosen_connection_string(const HostOptions& options) {
  if (options.connection_string) {
    if (options.connection_string->empty()) throw CannotRun("--connect is empty");
    return *options.connection_string;
  }
  if (options.data_source) {
    if (options.data_source->empty() ||
        options.data_source->find_first_of(";{}") != std::string::npos) {
      throw CannotRun("--dsn '" + *options.data_source + "' is not a data source name");
    }
    return "DSN=" + *options.data_source;
  }
  const std::filesystem::path database = options.demo_database.value_or(default_demo_database());
  const std::string connection_string = demo_connection_string(database);
  ensure_demo_database(database, database_script_directory(), !options.demo_database);
  return connection_string;
}

}  // namespace itemlookup
