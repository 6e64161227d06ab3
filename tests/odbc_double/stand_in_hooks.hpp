// What the stand-in host modules under PGMS/ call to put themselves on the double's timeline.
// Exported by the double, but not for tests: tests script and read through odbc_double.hpp.
#pragma once

#include <cstddef>

#include "odbc_double.hpp"

namespace odbc_double::stand_in {

// Records the three handle fields and the handles in them; returns the scripted result.
ODBC_DOUBLE_API int message_module_called(void* statement_field, void* environment_field,
                                          void* connection_field);

struct ConverterTurn {
  std::size_t record;  // where converter_returned completes the record
  ConverterReply reply;
};

// Records the 18 text bytes and the 18 value bytes before the converter writes.
ODBC_DOUBLE_API ConverterTurn converter_called(const char* text, const char* value);
ODBC_DOUBLE_API void converter_returned(std::size_t record, const char* value, int result);

}  // namespace odbc_double::stand_in
