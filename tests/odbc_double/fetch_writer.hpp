// Writes one scripted row into a statement's bound columns, as a driver's SQLFetch does.
#pragma once

#include <map>
#include <string>

#include "odbc_double.hpp"
#include "statements.hpp"

namespace odbc_double::detail {

struct RowWriting {
  bool truncated = false;  // some value did not fit its buffer
  std::string problem;     // a bound column the row cannot serve; nothing was written
};

// Character columns only: the value is cut to buffer_length - 1 bytes and followed by one NUL;
// the indicator receives the full length, or SQL_NULL_DATA for NULL (buffer left alone).
RowWriting write_row(const std::map<SQLUSMALLINT, Binding>& bindings, const Row& row,
                     DriverStyle style);

}  // namespace odbc_double::detail
