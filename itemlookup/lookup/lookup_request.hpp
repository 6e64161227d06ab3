// One lookup as the operator asked for it: the command and its key fields, each already at its
// field width, checked before anything reaches a module.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

struct KeyValue {
  std::uint8_t parameter;
  std::string field;  // exactly the field's width
};

struct LookupRequest {
  const LookupCommand* command = nullptr;
  std::vector<KeyValue> keys;
};

// words[0] is the command name, the rest its arguments. Throws CannotRun on unknown
// commands, missing or extra arguments and values that do not fit their field.
LookupRequest parse_lookup_request(std::span<const std::string> words);

// "customer-item KIND CODE ITEM", for usage messages and help.
std::string command_usage(const LookupCommand& command);

}  // namespace itemlookup
