// One lookup as the operator asked for it: the command and its key fields, each already at its
// field width, checked before anything reaches a module.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

// A key field's bytes, exactly the field's width, kept in place: a request needs no allocation of
// its own (a batch makes one per line).
class KeyField {
 public:
  KeyField() = default;
  // `width` bytes: `value`, then spaces up to the width; value.size() <= width <= kWidestKeyField.
  KeyField(std::string_view value, std::size_t width);

  operator std::string_view() const { return {bytes_.data(), size_}; }
  std::size_t size() const { return size_; }
  friend bool operator==(const KeyField& field, std::string_view bytes) {
    return std::string_view(field) == bytes;
  }

 private:
  std::array<char, kWidestKeyField> bytes_{};
  std::uint8_t size_ = 0;
};

struct KeyValue {
  std::uint8_t parameter;
  KeyField field;  // exactly the field's width
};

struct LookupRequest {
  const LookupCommand* command = nullptr;
  std::vector<KeyValue> keys;
};

// words[0] is the command name, the rest its arguments. Throws CannotRun on unknown
// commands, missing or extra arguments and values that do not fit their field.
LookupRequest parse_lookup_request(std::span<const std::string> words);
// The same into `request`, whose room a batch keeps from line to line.
void parse_lookup_request(std::span<const std::string> words, LookupRequest& request);

// "customer-item KIND CODE ITEM", for usage messages and help.
std::string command_usage(const LookupCommand& command);

}  // namespace itemlookup
