#include "row_paths.hpp"

#include "numeric_conversion.hpp"

namespace lookup_frame {

void copy_right_aligned_digits(const char* source, char* destination, std::size_t width) {
  std::size_t start = 0;
  while (start < width && source[start] == ' ') ++start;
  std::size_t end = start;
  while (end < width && source[end] >= '0' && source[end] <= '9') ++end;
  const std::size_t digits = end - start;
  fill(destination, width - digits, '0');
  copy_bytes(destination + (width - digits), source + start, digits);
}

void take_row_path(const LookupCall& call, const Statement& statement) {
  // A driver's terminator, or a NUL inside a value, never reaches a host field or the converter.
  scrub_nul(call.record.result_area, call.module.result_area.total_bytes);
  for (const TextCopy& copy : statement.copies) {
    char* destination = call.parameter(copy.parameter);
    const char* source = call.result_field(copy.source);
    if (copy.rule == CopyRule::right_aligned_digits) {
      copy_right_aligned_digits(source, destination, copy.source.width);
    } else {
      copy_bytes(destination, source, copy.source.width);
    }
  }
  for (const NumberMove& move : statement.conversions) convert_column(call, move);
}

void take_no_row_path(const LookupCall& call, const Statement& statement) {
  copy_bytes(call.parameter(call.module.positions.status), statement.not_found_status.data(),
             statement.not_found_status.size());
  for (const Clear& clear : statement.not_found_clears) {
    fill(call.parameter(clear.parameter), clear.width, clear.fill);
  }
}

}  // namespace lookup_frame
