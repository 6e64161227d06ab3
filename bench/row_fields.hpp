// The host fields a hand-written lookup fills from its row: one per select-list column, each
// padded with spaces to its width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace lookup_bench {

class RowFields {
 public:
  explicit RowFields(std::span<const std::uint8_t> widths);

  std::size_t count() const { return widths_.size(); }
  std::size_t width(std::size_t column) const { return widths_[column]; }
  // Copies `length` bytes into the column's field and pads the rest of it with spaces.
  void set(std::size_t column, const char* bytes, std::size_t length) {
    char* field = bytes_.data() + offsets_[column];
    if (length > widths_[column]) length = widths_[column];
    std::memcpy(field, bytes, length);
    std::memset(field + length, ' ', widths_[column] - length);
  }
  std::string_view field(std::size_t column) const {
    return {bytes_.data() + offsets_[column], widths_[column]};
  }

 private:
  std::vector<std::size_t> widths_;
  std::vector<std::size_t> offsets_;
  std::vector<char> bytes_;
};

}  // namespace lookup_bench
