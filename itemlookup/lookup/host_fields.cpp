#include "lookup/host_fields.hpp"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace itemlookup {

HostFields::HostFields(const ModuleDef& module) : module_(module) {
  characters_.reserve(module.parameters.size());
  handles_.reserve(module.parameters.size());
  addresses_.reserve(module.parameters.size());
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

void HostFields::reset() {
  for (std::size_t i = 0; i < characters_.size(); ++i) {
    if (handles_[i] != nullptr) {
      *handles_[i] = nullptr;
    } else {
      std::vector<char>& field = characters_[i];
      std::fill(field.begin(), field.end(),
                module_.parameters[i].kind == FieldKind::digits ? '0' : ' ');
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
