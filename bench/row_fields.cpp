#include "row_fields.hpp"

namespace lookup_bench {

RowFields::RowFields(std::span<const std::uint8_t> widths) : widths_(widths.begin(), widths.end()) {
  std::size_t offset = 0;
  for (std::size_t width : widths_) {
    offsets_.push_back(offset);
    offset += width;
  }
  bytes_.assign(offset, ' ');
}

}  // namespace lookup_bench
