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
#include "lookup/lookup_result.hpp"

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

  // Every text and digit field's bytes back to back, at `out` (value_bytes() of them), each where
  // offsets() says: what a result keeps of the call.
  void copy_values(char* out) const;
  std::size_t value_bytes() const { return value_bytes_; }
  const FieldOffsets& offsets() const { return offsets_; }

 private:
  // A text or digit field, as reset() and copy_values() walk them.
  struct Slot {
    char* bytes;
    std::uint8_t width;
    char blank;  // what the field holds when reset: ' ' or '0'
  };

  std::vector<std::vector<char>> characters_;        // per parameter; empty for a handle field
  std::vector<std::unique_ptr<SQLHANDLE>> handles_;  // per parameter; null unless a handle field
  std::vector<void*> addresses_;
  std::vector<Slot> slots_;  // the text and digit fields, in parameter order
  FieldOffsets offsets_{};
  std::size_t value_bytes_ = 0;
};

}  // namespace itemlookup
