// The one static working record of a loaded lookup module.
#pragma once

#include <sql.h>

#include <cstddef>
#include <cstdint>

namespace lookup_frame {

inline constexpr std::size_t kStatementBufferSize = 10000;
inline constexpr std::size_t kConversionTextWidth = 18;
inline constexpr std::size_t kConversionValueDigits = 18;
inline constexpr std::size_t kConversionValueDecimals = 8;
// Large enough for the result area of either module, spare bytes included.
inline constexpr std::size_t kResultAreaCapacity = 187;

// Filled with spaces on the first call after load; every field is set before it is read.
struct WorkingRecord {
  SQLHSTMT statement;
  char statement_text[kStatementBufferSize];
  std::size_t statement_extent;  // leading bytes of statement_text that are not all spaces
  SQLUSMALLINT column_counter;
  SQLLEN buffer_length;
  SQLLEN length_indicator;  // written by the driver, never read
  char conversion_text[kConversionTextWidth];
  char conversion_value[kConversionValueDigits];
  char result_area[kResultAreaCapacity];
  std::int16_t return_code;
};

}  // namespace lookup_frame
