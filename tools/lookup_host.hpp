// Runs lookups: fills the host's fields from a request, calls the module on the host's
// connection and keeps what the module left in every field.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "host_fields.hpp"
#include "host_module_channel.hpp"
#include "lookup_request.hpp"
#include "module_loader.hpp"
#include "odbc_connection.hpp"

namespace itemlookup {

// A record the message module reported that was not a warning.
struct LookupError {
  std::string sqlstate;  // empty when the module had no record of the driver's to read
  long native_error = 0;
  std::string message;
  // A function sequence error after an earlier error: what follows from it, not a second cause.
  bool consequence = false;
};

struct LookupResult {
  const LookupCommand* command = nullptr;
  std::string fields;  // every parameter's bytes after the call, back to back; none for handles
  std::array<std::uint16_t, 32> offsets{};  // where each parameter's bytes start in `fields`
  int return_code = 0;
  std::vector<LookupError> errors;    // the lookup failed when there is any
  std::vector<std::string> warnings;  // the lookup ran, but something was lost on the way
  bool latin1 = false;                // text fields are single bytes, not UTF-8
  // Tries after the first, each on a new connection, and the error each earlier try ended with.
  int retries = 0;
  std::vector<LookupError> retried_errors;

  // The bytes of one parameter's field; empty for a handle.
  std::string_view field(std::uint8_t parameter) const;
  std::string_view status() const { return field(command->module.status); }
  bool found() const { return status() == kStatusFound; }
  bool failed() const { return !errors.empty(); }
};

class LookupHost {
 public:
  // database_kind is the operator's --kind value, checked to fit its field. With a channel, each
  // result carries what the host-side modules saw during its lookup. latin1: the connection
  // hands over single-byte text.
  LookupHost(const ModuleSet& modules, const OdbcConnection& connection,
             std::string_view database_kind, HostModuleChannel* channel = nullptr,
             bool latin1 = false);

  LookupResult run(const LookupRequest& request) const;

 private:
  const ModuleSet& modules_;
  const OdbcConnection& connection_;
  std::string database_kind_;
  HostModuleChannel* channel_;
  bool latin1_;
  // Each module's parameter fields, kept from call to call and reset before each.
  mutable HostFields item_fields_;
  mutable HostFields customer_fields_;
};

}  // namespace itemlookup
