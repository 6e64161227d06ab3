#include "host_fields.hpp"

#include <cstdint>
#include <cstring>

#include "fake_handle.hpp"

namespace lookup_host {

namespace {

// One mark per text field, in parameter order, none of them a digit, letter or space.
constexpr std::string_view kMarks = "#$%&*+=?!~^|<>;:";

// The preset byte of a text or digits field is its mark; a handle field has none.
constexpr char preset_mark(item_lookup_field_kind kind) {
  return kind == LOOKUP_HANDLE ? '\0' : '?';
}
#define LOOKUP_HOST_VELDORIN_INFO(name, kind, size, decimals) \
  FieldInfo{#name, offsetof(VeldorinFields, name), sizeof(VeldorinFields::name), preset_mark(kind)},
#define LOOKUP_HOST_MARQUETH_INFO(name, kind, size, decimals) \
  FieldInfo{#name, offsetof(MarquethFields, name), sizeof(MarquethFields::name), preset_mark(kind)},

// Gives each text field its own mark.
template <std::size_t Count>
constexpr std::array<FieldInfo, Count> with_marks(std::array<FieldInfo, Count> layout) {
  std::size_t next = 0;
  for (FieldInfo& field : layout) {
    if (field.mark != 0) field.mark = kMarks.at(next++);
  }
  return layout;
}

constexpr auto kVeldorinLayout =
    with_marks(std::array{VELDORIN_PARAMETERS(LOOKUP_HOST_VELDORIN_INFO)});
constexpr auto kMarquethLayout =
    with_marks(std::array{MARQUETH_PARAMETERS(LOOKUP_HOST_MARQUETH_INFO)});

#undef LOOKUP_HOST_VELDORIN_INFO
#undef LOOKUP_HOST_MARQUETH_INFO

std::filesystem::path built_module(const char* path, const char* name) {
  if (path[0] == '\0') throw std::runtime_error(std::string(name) + " is not part of this build");
  return path;
}

}  // namespace

SQLHENV fake_environment() {
  return odbc_double::fake_handle<SQLHENV>(0xE4E4'0000'0E41, 0xE4E4'0E41);
}
SQLHDBC fake_connection() {
  return odbc_double::fake_handle<SQLHDBC>(0xC0C0'0000'0C01, 0xC0C0'0C01);
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
