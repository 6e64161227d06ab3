// A lookup's outcome as the operator reads it: a table of fields, or one JSON object.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lookup/lookup_result.hpp"

namespace itemlookup {

// Heading line, then one "name  value" line per key and output field, the status with its
// meaning and the return code. Text values appear in brackets, without padding.
std::string lookup_table(const LookupResult& result);

// {"command":...,"keys":{...},"fields":{...},"status":...,"found":...,"return_code":...}, with a
// leading "line" member when line is not zero (batch input line number).
std::string lookup_json(const LookupResult& result, std::size_t line = 0);

// The same with its '\n', written in `room`, which keeps its size for the next: a batch writes one
// per lookup with no allocation. The text stays valid until room changes.
std::string_view lookup_json_line(const LookupResult& result, std::size_t line, std::string& room);

// {"line":N,"error":"..."}, for a batch line that could not run.
std::string error_json(std::size_t line, std::string_view message);

}  // namespace itemlookup
