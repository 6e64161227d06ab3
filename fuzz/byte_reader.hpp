// Reads a fuzz input as a sequence of decisions. An exhausted input keeps answering (zeros and
// empty text), so every input, however short, describes one complete case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace fuzzing {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  bool flag() { return (byte() & 1) != 0; }
  // A choice among `count` (non-zero) alternatives.
  std::size_t below(std::size_t count) { return byte() % count; }

  // Exactly `count` bytes; `pad` stands in for what the input no longer has.
  std::string bytes(std::size_t count, char pad = ' ') {
    std::string out(count, pad);
    const std::size_t taken = std::min(count, size_ - at_);
    if (taken > 0) std::memcpy(out.data(), data_ + at_, taken);
    at_ += taken;
    return out;
  }

  std::int32_t int32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | byte();
    return static_cast<std::int32_t>(value);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace fuzzing
