#include "host_fields.hpp"

#include <cassert>
#include <cstring>

namespace itemlookup {

HostFields::HostFields(const ModuleDef& module) {
  for (const FieldDef& field : module.parameters) {
    if (field.kind == FieldKind::handle) {
      characters_.emplace_back();
      handles_.push_back(std::make_unique<SQLHANDLE>(nullptr));
      addresses_.push_back(handles_.back().get());
    } else {
      characters_.emplace_back(field.width, field.kind == FieldKind::digits ? '0' : ' ');
      handles_.emplace_back();
      addresses_.push_back(characters_.back().data());
    }
  }
}

void HostFields::set(std::uint8_t parameter, std::string_view bytes) {
  std::vector<char>& field = characters_.at(parameter);
  assert(handles_.at(parameter) == nullptr && bytes.size() == field.size());
  std::memcpy(field.data(), bytes.data(), field.size());
}

void HostFields::set_handle(std::uint8_t parameter, SQLHANDLE handle) {
  assert(handles_.at(parameter) != nullptr);
  *handles_.at(parameter) = handle;
}

std::string_view HostFields::value(std::uint8_t parameter) const {
  const std::vector<char>& field = characters_.at(parameter);
  return {field.data(), field.size()};
}

}  // namespace itemlookup
