// Fake ODBC handles the double hands out and test hosts preset: opaque values that nothing may
// dereference, as wide as the process's own handles.
#pragma once

#include <cstdint>

namespace odbc_double {

// `wide` where handles are 8 bytes: above any mapped address, and with bits above the low four
// bytes, so a module that kept only four bytes of a handle hands on a different one. `narrow`
// where they are 4 bytes, as in the 32-bit layout: in the upper gigabyte, which a 32-bit process
// of either system leaves to the kernel.
constexpr std::uintptr_t fake_handle_value(std::uint64_t wide, std::uint32_t narrow) {
  return sizeof(std::uintptr_t) == 8 ? static_cast<std::uintptr_t>(wide) : narrow;
}

template <typename Handle>
Handle fake_handle(std::uint64_t wide, std::uint32_t narrow) {
  static_assert(sizeof(Handle) == sizeof(std::uintptr_t), "a handle is pointer-sized");
  return reinterpret_cast<Handle>(fake_handle_value(wide, narrow));
}

}  // namespace odbc_double
