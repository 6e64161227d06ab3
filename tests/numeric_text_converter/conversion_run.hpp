#pragma once

// Runs one conversion the way a lookup does: an 18-byte text field in, an 18-byte value field out,
// each in a heap block of exactly that size so the address sanitizer sees any byte past them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

inline constexpr std::size_t kFieldWidth = 18;

struct Conversion {
  int result;
  std::string value;
};

// `text` is the start of the field; the rest is padded with spaces as the host pads it.
template <typename Convert>
Conversion run_conversion(Convert convert, std::string_view text) {
  EXPECT_LE(text.size(), kFieldWidth) << "a text field holds " << kFieldWidth << " bytes";
  auto field = std::make_unique<char[]>(kFieldWidth);
  std::memset(field.get(), ' ', kFieldWidth);
  std::memcpy(field.get(), text.data(), std::min(text.size(), kFieldWidth));
  auto value = std::make_unique<char[]>(kFieldWidth);
  std::memset(value.get(), '#', kFieldWidth);  // shows any byte the converter left unwritten
  const int result = convert(field.get(), value.get());
  return {result, std::string(value.get(), kFieldWidth)};
}
