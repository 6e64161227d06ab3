// One call of a lookup module: the host's parameter addresses, the module's description and its
// working record, and the return code rule every step follows.
#pragma once

#include <cstdint>
#include <span>

#include "called_names.hpp"
#include "module_layout.hpp"
#include "working_record.hpp"

namespace lookup_frame {

struct LookupCall {
  const ModuleLayout& module;
  WorkingRecord& record;
  CalledNames& names;
  std::span<void* const> parameters;

  char* parameter(std::uint8_t position) const { return static_cast<char*>(parameters[position]); }
  char* result_field(Field field) const { return record.result_area + field.offset; }

  // Every call the module makes leaves the low 16 bits of its result as the return code.
  std::int16_t keep(int result) const {
    record.return_code = static_cast<std::int16_t>(result);
    return record.return_code;
  }
};

}  // namespace lookup_frame
