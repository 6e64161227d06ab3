// What one lookup left behind: every field's bytes after the call, the module's return code, and
// what the host-side modules saw on the way (errors and warnings).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

// A record the message module reported that was not a warning.
struct LookupError {
  std::string sqlstate;  // empty when the module had no record of the driver's to read
  long native_error = 0;
  std::string message;
  // A function sequence error after an earlier error: what follows from it, not a second cause.
  bool consequence = false;
  // The driver said the connection was lost after it, whatever its SQLSTATE says.
  bool link_lost = false;
};

// Where each parameter's bytes start when every text and digit field is kept back to back, in
// parameter order (a handle field takes none: it starts where the next one does).
using FieldOffsets = std::array<std::uint16_t, 32>;

// start() sets every member: one added here is set there too.
struct LookupResult {
  const LookupCommand* command = nullptr;
  std::string fields;      // every parameter's bytes after the call, back to back; none for handles
  FieldOffsets offsets{};  // where each parameter's bytes start in `fields`
  int return_code = 0;
  std::vector<LookupError> errors;    // the lookup failed when there is any
  std::vector<std::string> warnings;  // the lookup ran, but something was lost on the way
  bool latin1 = false;                // text fields are single bytes, not UTF-8
  // Tries after the first, each on a new connection, and the error each earlier try ended with.
  int retries = 0;
  std::vector<LookupError> retried_errors;

  // Ready for a lookup of `lookup`, as if new, but keeping the room the last one's text took.
  void start(const LookupCommand& lookup, bool latin1_text) {
    command = &lookup;
    fields.clear();
    offsets = {};
    return_code = 0;
    errors.clear();
    warnings.clear();
    latin1 = latin1_text;
    retries = 0;
    retried_errors.clear();
  }

  // The bytes of one parameter's field; empty for a handle.
  std::string_view field(std::uint8_t parameter) const {
    const FieldDef& definition = command->module.parameters[parameter];
    if (definition.kind == FieldKind::handle) return {};
    return std::string_view(fields).substr(offsets[parameter], definition.width);
  }
  std::string_view status() const { return field(command->module.status); }
  bool found() const { return status() == kStatusFound; }
  bool failed() const { return !errors.empty(); }
};

}  // namespace itemlookup
