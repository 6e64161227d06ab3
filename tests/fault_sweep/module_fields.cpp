#include "module_fields.hpp"

#include <algorithm>
#include <stdexcept>

namespace lookup_catalog {

std::span<const lookup_host::FieldInfo> ModuleFields::layout() const {
  return module_ == Module::veldorin ? lookup_host::VeldorinFields::layout()
                                     : lookup_host::MarquethFields::layout();
}

const char* ModuleFields::base() const {
  return module_ == Module::veldorin ? reinterpret_cast<const char*>(&veldorin_)
                                     : reinterpret_cast<const char*>(&marqueth_);
}

std::span<char> ModuleFields::field(std::string_view name) {
  for (const lookup_host::FieldInfo& info : layout()) {
    if (info.name == name) return {const_cast<char*>(base()) + info.offset, info.width};
  }
  throw std::out_of_range("no host field " + std::string(name));
}

std::string ModuleFields::text(std::string_view name) const {
  const std::span<char> bytes = const_cast<ModuleFields*>(this)->field(name);
  return std::string(bytes.data(), bytes.size());
}

void ModuleFields::put(std::string_view name, std::string_view text) {
  const std::span<char> bytes = field(name);
  std::ranges::fill(bytes, ' ');
  std::copy_n(text.begin(), std::min(text.size(), bytes.size()), bytes.begin());
}

void ModuleFields::fill(std::string_view name, char byte) {
  std::ranges::fill(field(name), byte);
}

std::vector<std::string> ModuleFields::changed_since(const ModuleFields& other) const {
  return lookup_host::changed_fields(base(), other.base(), layout());
}

int ModuleHosts::call(ModuleFields& fields) {
  return fields.module_ == Module::veldorin ? veldorin_.call(fields.veldorin_)
                                            : marqueth_.call(fields.marqueth_);
}

}  // namespace lookup_catalog
