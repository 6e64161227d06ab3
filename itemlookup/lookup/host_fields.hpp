// The host's own fields for one call. The text and digit fields lie back to back in one block
// exactly as long as they are together, in parameter order: the layout a result keeps, so a call's
// fields are reset from a blank copy and kept in one move each. A module writing past its last
// field is caught by the sanitizers; one writing into a neighbour is caught by the modules' suites,
// which mark every field. Handle fields are SQLHANDLE variables of their own.
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

  // bytes must be exactly as wide as the field. A parameter the module does not have, or bytes or
  // a handle that do not fit the field, throw std::logic_error and change nothing.
  void set(std::uint8_t parameter, std::string_view bytes);
  void set_handle(std::uint8_t parameter, SQLHANDLE handle);
  std::string_view value(std::uint8_t parameter) const;

  std::span<void* const> addresses() const { return addresses_; }

  // Every text and digit field's bytes back to back, each where offsets() says: what a result
  // keeps of the call.
  std::string_view values() const { return {values_.get(), value_bytes_}; }
  const FieldOffsets& offsets() const { return offsets_; }

 private:
  const FieldDef& field(std::uint8_t parameter) const;

  const ModuleDef& module_;
  std::size_t value_bytes_ = 0;
  std::unique_ptr<char[]> values_;                   // the text and digit fields
  std::unique_ptr<char[]> blanks_;                   // the same when reset
  std::vector<std::unique_ptr<SQLHANDLE>> handles_;  // the handle fields, in parameter order
  std::vector<void*> addresses_;
  FieldOffsets offsets_{};
};

}  // namespace itemlookup
