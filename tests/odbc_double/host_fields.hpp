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

struct VeldorinFields : HostFields<VeldorinFields, VELDORIN_PARAMETER_COUNT> {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH];
  char item_code[VELDORIN_ITEM_CODE_WIDTH];
  char sales_family[VELDORIN_SALES_FAMILY_WIDTH];
  char external_code[VELDORIN_EXTERNAL_CODE_WIDTH];
  char barcode[VELDORIN_BARCODE_WIDTH];
  char description[VELDORIN_DESCRIPTION_WIDTH];
  char trace_flag[VELDORIN_TRACE_FLAG_WIDTH];
  char detail_flag[VELDORIN_DETAIL_FLAG_WIDTH];
  char anvisa_code[VELDORIN_ANVISA_CODE_WIDTH];
  char pmc_value[VELDORIN_PRICE_DIGITS];
  char pmv_value[VELDORIN_PRICE_DIGITS];
  char net_weight[VELDORIN_WEIGHT_DIGITS];
  char gross_weight[VELDORIN_WEIGHT_DIGITS];
  char status[LOOKUP_STATUS_WIDTH];
  char database_kind[LOOKUP_DATABASE_KIND_WIDTH];
  SQLHENV environment_handle;
  SQLHDBC connection_handle;

  static constexpr const char* entry_name = "VELDORIN";
  using Entry = decltype(&::VELDORIN);
  static std::filesystem::path module_path();  // VELDORIN.so of this build
  static std::span<const FieldInfo> layout();

  VeldorinFields();  // the preset
};

struct MarquethFields : HostFields<MarquethFields, MARQUETH_PARAMETER_COUNT> {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH];
  char customer_kind[MARQUETH_CUSTOMER_KIND_WIDTH];
  char customer_code[MARQUETH_CUSTOMER_CODE_DIGITS];
  char item_code[MARQUETH_ITEM_CODE_WIDTH];
  char customer_item_code[MARQUETH_CUSTOMER_ITEM_CODE_WIDTH];
  char unit[MARQUETH_UNIT_WIDTH];
  char factor[MARQUETH_FACTOR_DIGITS];
  char minimum_lot[MARQUETH_QUANTITY_DIGITS];
  char order_multiple[MARQUETH_QUANTITY_DIGITS];
  char barcode[MARQUETH_BARCODE_WIDTH];
  char days[MARQUETH_DAYS_DIGITS];
  char status[LOOKUP_STATUS_WIDTH];
  char database_kind[LOOKUP_DATABASE_KIND_WIDTH];
  SQLHENV environment_handle;
  SQLHDBC connection_handle;

  static constexpr const char* entry_name = "MARQUETH";
  using Entry = decltype(&::MARQUETH);
  static std::filesystem::path module_path();  // MARQUETH.so of this build
  static std::span<const FieldInfo> layout();

  MarquethFields();  // the preset
};

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
