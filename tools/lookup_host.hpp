// Runs lookups: fills the host's fields from a request, calls the module on the host's
// connection and keeps what the module left in every field.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lookup_request.hpp"
#include "module_loader.hpp"
#include "odbc_connection.hpp"

namespace itemlookup {

struct LookupResult {
  const LookupCommand* command = nullptr;
  std::vector<std::string> fields;  // every parameter's bytes after the call; empty for handles
  int return_code = 0;

  std::string_view field(std::uint8_t parameter) const { return fields.at(parameter); }
  std::string_view status() const { return field(command->module.status); }
  bool found() const { return status() == kStatusFound; }
};

class LookupHost {
 public:
  // database_kind is the operator's --kind value, checked to fit its field.
  LookupHost(const ModuleSet& modules, const OdbcConnection& connection,
             std::string_view database_kind);

  LookupResult run(const LookupRequest& request) const;

 private:
  const ModuleSet& modules_;
  const OdbcConnection& connection_;
  std::string database_kind_;
};

}  // namespace itemlookup
