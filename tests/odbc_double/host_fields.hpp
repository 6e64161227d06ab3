// The host's fields for one lookup call, laid out as separate fixed-width fields in parameter
// order. A fresh instance holds a recognisable preset: every text field filled with a mark of its
// own, the handle fields holding fake_environment() and fake_connection(), so a test sees which
// fields a module wrote (changed_fields) and a write landing in the wrong field.
#pragma once

#include <sql.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "item_lookup.h"

// The handle width the build proves (tests/CMakeLists.txt): 4 bytes in the 32-bit run, where the
// handle fields and SQLLEN are as wide as in the 32-bit Windows layout.
static_assert(sizeof(SQLHANDLE) == ITEM_LOOKUP_HANDLE_BYTES && sizeof(SQLLEN) == sizeof(SQLHANDLE),
              "ODBC handles or SQLLEN are not as wide as ITEM_LOOKUP_HANDLE_BYTES");

namespace lookup_host {

// Recognisable handle values a module should hand on untouched; never dereferenced by the double.
SQLHENV fake_environment();
SQLHDBC fake_connection();

struct FieldInfo {
  const char* name;
  std::size_t offset;
  std::size_t width;
  char mark;  // the preset byte of a text field; 0 for a handle field
};

// Names of the fields whose bytes differ between `fields` and `preset`, in parameter order.
std::vector<std::string> changed_fields(const void* fields, const void* preset,
                                        std::span<const FieldInfo> layout);
void fill_marks(void* fields, std::span<const FieldInfo> layout);

// What both field sets offer, given the Fields type's layout().
template <typename Fields, std::size_t Count>
struct HostFields {
  // Names of the fields that no longer hold their preset, in parameter order.
  std::vector<std::string> changed_fields() const { return changed_since(Fields()); }

  // Names of the fields that differ from `before`, e.g. a copy taken just before a call.
  std::vector<std::string> changed_since(const Fields& before) const {
    return lookup_host::changed_fields(static_cast<const Fields*>(this), &before, Fields::layout());
  }

  // Every field's address, in parameter order: the entry point's arguments.
  std::array<void*, Count> addresses() {
    std::array<void*, Count> addresses{};
    const std::span<const FieldInfo> layout = Fields::layout();
    for (std::size_t i = 0; i < Count; ++i) {
      addresses[i] = reinterpret_cast<char*>(static_cast<Fields*>(this)) + layout[i].offset;
    }
    return addresses;
  }
};

// The storage of one field of the parameter table: a char array as wide as a text or digits
// field, an SQLHANDLE for a handle.
template <item_lookup_field_kind Kind, int Size>
struct FieldStorage {
  using type = char[Size];
};
template <int Size>
struct FieldStorage<LOOKUP_HANDLE, Size> {
  using type = SQLHANDLE;
};

#define LOOKUP_HOST_MEMBER(name, kind, size, decimals) FieldStorage<kind, size>::type name;

// One member per parameter, named and in the order of the parameter table of item_lookup.h.
struct VeldorinFields : HostFields<VeldorinFields, VELDORIN_PARAMETER_COUNT> {
  VELDORIN_PARAMETERS(LOOKUP_HOST_MEMBER)

  static constexpr const char* entry_name = "VELDORIN";
  using Entry = veldorin_entry;
  static std::filesystem::path module_path();  // VELDORIN.so of this build
  static std::span<const FieldInfo> layout();

  VeldorinFields();  // the preset
};

struct MarquethFields : HostFields<MarquethFields, MARQUETH_PARAMETER_COUNT> {
  MARQUETH_PARAMETERS(LOOKUP_HOST_MEMBER)

  static constexpr const char* entry_name = "MARQUETH";
  using Entry = marqueth_entry;
  static std::filesystem::path module_path();  // MARQUETH.so of this build
  static std::span<const FieldInfo> layout();

  MarquethFields();  // the preset
};

#undef LOOKUP_HOST_MEMBER

// Host text convention: left-justified, padded with spaces. Throws when the text does not fit.
template <std::size_t Width>
void put(char (&field)[Width], std::string_view text) {
  if (text.size() > Width) throw std::length_error("text longer than its field");
  std::fill(std::copy(text.begin(), text.end(), field), field + Width, ' ');
}

// Unsigned number as Width ASCII digits, zero-padded (implied decimals are the caller's).
template <std::size_t Width>
void put_number(char (&field)[Width], unsigned long long number) {
  for (std::size_t i = Width; i-- > 0; number /= 10)
    field[i] = static_cast<char>('0' + number % 10);
  if (number != 0) throw std::length_error("number wider than its field");
}

template <std::size_t Width>
std::string text(const char (&field)[Width]) {
  return std::string(field, Width);
}

}  // namespace lookup_host
