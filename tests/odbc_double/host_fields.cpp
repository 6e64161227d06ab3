#include "host_fields.hpp"

#include <cstdint>
#include <cstring>

namespace lookup_host {

namespace {

// One mark per text field, in parameter order, none of them a digit, letter or space.
constexpr std::string_view kMarks = "#$%&*+=?!~^|<>;:";

#define LOOKUP_HOST_TEXT(Fields, name)                       \
  FieldInfo {                                                \
#name, offsetof(Fields, name), sizeof(Fields::name), '?' \
  }
#define LOOKUP_HOST_HANDLE(Fields, name)                   \
  FieldInfo {                                              \
#name, offsetof(Fields, name), sizeof(Fields::name), 0 \
  }

// Gives each text field its own mark.
template <std::size_t Count>
constexpr std::array<FieldInfo, Count> with_marks(std::array<FieldInfo, Count> layout) {
  std::size_t next = 0;
  for (FieldInfo& field : layout) {
    if (field.mark != 0) field.mark = kMarks.at(next++);
  }
  return layout;
}

constexpr auto kVeldorinLayout = with_marks(std::array{
    LOOKUP_HOST_TEXT(VeldorinFields, function_code),
    LOOKUP_HOST_TEXT(VeldorinFields, item_code),
    LOOKUP_HOST_TEXT(VeldorinFields, sales_family),
    LOOKUP_HOST_TEXT(VeldorinFields, external_code),
    LOOKUP_HOST_TEXT(VeldorinFields, barcode),
    LOOKUP_HOST_TEXT(VeldorinFields, description),
    LOOKUP_HOST_TEXT(VeldorinFields, trace_flag),
    LOOKUP_HOST_TEXT(VeldorinFields, detail_flag),
    LOOKUP_HOST_TEXT(VeldorinFields, anvisa_code),
    LOOKUP_HOST_TEXT(VeldorinFields, pmc_value),
    LOOKUP_HOST_TEXT(VeldorinFields, pmv_value),
    LOOKUP_HOST_TEXT(VeldorinFields, net_weight),
    LOOKUP_HOST_TEXT(VeldorinFields, gross_weight),
    LOOKUP_HOST_TEXT(VeldorinFields, status),
    LOOKUP_HOST_TEXT(VeldorinFields, database_kind),
    LOOKUP_HOST_HANDLE(VeldorinFields, environment_handle),
    LOOKUP_HOST_HANDLE(VeldorinFields, connection_handle),
});
static_assert(kVeldorinLayout.size() == VELDORIN_PARAMETER_COUNT);

constexpr auto kMarquethLayout = with_marks(std::array{
    LOOKUP_HOST_TEXT(MarquethFields, function_code),
    LOOKUP_HOST_TEXT(MarquethFields, customer_kind),
    LOOKUP_HOST_TEXT(MarquethFields, customer_code),
    LOOKUP_HOST_TEXT(MarquethFields, item_code),
    LOOKUP_HOST_TEXT(MarquethFields, customer_item_code),
    LOOKUP_HOST_TEXT(MarquethFields, unit),
    LOOKUP_HOST_TEXT(MarquethFields, factor),
    LOOKUP_HOST_TEXT(MarquethFields, minimum_lot),
    LOOKUP_HOST_TEXT(MarquethFields, order_multiple),
    LOOKUP_HOST_TEXT(MarquethFields, barcode),
    LOOKUP_HOST_TEXT(MarquethFields, days),
    LOOKUP_HOST_TEXT(MarquethFields, status),
    LOOKUP_HOST_TEXT(MarquethFields, database_kind),
    LOOKUP_HOST_HANDLE(MarquethFields, environment_handle),
    LOOKUP_HOST_HANDLE(MarquethFields, connection_handle),
});
static_assert(kMarquethLayout.size() == MARQUETH_PARAMETER_COUNT);

#undef LOOKUP_HOST_TEXT
#undef LOOKUP_HOST_HANDLE

std::filesystem::path built_module(const char* path, const char* name) {
  if (path[0] == '\0') throw std::runtime_error(std::string(name) + " is not part of this build");
  return path;
}

}  // namespace

SQLHENV fake_environment() {
  return reinterpret_cast<SQLHENV>(std::uintptr_t{0xE4E4'0000'0E41});
}
SQLHDBC fake_connection() {
  return reinterpret_cast<SQLHDBC>(std::uintptr_t{0xC0C0'0000'0C01});
}

std::vector<std::string> changed_fields(const void* fields, const void* preset,
                                        std::span<const FieldInfo> layout) {
  std::vector<std::string> changed;
  for (const FieldInfo& field : layout) {
    if (std::memcmp(static_cast<const char*>(fields) + field.offset,
                    static_cast<const char*>(preset) + field.offset, field.width) != 0) {
      changed.emplace_back(field.name);
    }
  }
  return changed;
}

void fill_marks(void* fields, std::span<const FieldInfo> layout) {
  for (const FieldInfo& field : layout) {
    if (field.mark != 0)
      std::memset(static_cast<char*>(fields) + field.offset, field.mark, field.width);
  }
}

std::filesystem::path VeldorinFields::module_path() {
  return built_module(LOOKUP_HOST_VELDORIN_PATH, entry_name);
}
std::span<const FieldInfo> VeldorinFields::layout() {
  return kVeldorinLayout;
}

VeldorinFields::VeldorinFields()
    : environment_handle(fake_environment()), connection_handle(fake_connection()) {
  fill_marks(this, layout());
}

std::filesystem::path MarquethFields::module_path() {
  return built_module(LOOKUP_HOST_MARQUETH_PATH, entry_name);
}
std::span<const FieldInfo> MarquethFields::layout() {
  return kMarquethLayout;
}

MarquethFields::MarquethFields()
    : environment_handle(fake_environment()), connection_handle(fake_connection()) {
  fill_marks(this, layout());
}

}  // namespace lookup_host
