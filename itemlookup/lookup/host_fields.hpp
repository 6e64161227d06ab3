// The host's own fields for one call: one allocation per text or digit field, exactly as wide as
// the field, so a module writing past a field is caught by the sanitizers rather than hidden in a
// neighbour; handle fields are SQLHANDLE variables.
#pragma once

#include <sql.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

class HostFields {
 public:
  // Text fields start as spaces, digit fields as zeros, handles as null.
  explicit HostFields(const ModuleDef& module);
  // Back to that start, for the next call.
  void reset();

  // bytes must be exactly as wide as the field.
  void set(std::uint8_t parameter, std::string_view bytes);
  void set_handle(std::uint8_t parameter, SQLHANDLE handle);
  std::string_view value(std::uint8_t parameter) const;

  std::span<void* const> addresses() const { return addresses_; }

 private:
  std::vector<std::vector<char>> characters_;        // per parameter; empty for a handle field
  std::vector<std::unique_ptr<SQLHANDLE>> handles_;  // per parameter; null unless a handle field
  std::vector<void*> addresses_;
  const ModuleDef& module_;
};

}  // namespace itemlookup
