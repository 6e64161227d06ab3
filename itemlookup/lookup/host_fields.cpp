#include "lookup/host_fields.hpp"

#include <cassert>
#include <cstring>
#include <stdexcept>

#include "errors_and_text/short_bytes.hpp"

namespace itemlookup {

HostFields::HostFields(const ModuleDef& module) {
  if (module.parameters.size() > offsets_.size()) {
    throw std::logic_error("a module with more parameters than a result keeps");
  }
  characters_.reserve(module.parameters.size());
  handles_.reserve(module.parameters.size());
  addresses_.reserve(module.parameters.size());
  for (std::size_t i = 0; i < module.parameters.size(); ++i) {
    const FieldDef& field = module.parameters[i];
    offsets_[i] = static_cast<std::uint16_t>(value_bytes_);
    if (field.kind == FieldKind::handle) {
      characters_.emplace_back();
      handles_.push_back(std::make_unique<SQLHANDLE>(nullptr));
      addresses_.push_back(handles_.back().get());
    } else {
      const char blank = field.kind == FieldKind::digits ? '0' : ' ';
      characters_.emplace_back(field.width, blank);
      handles_.emplace_back();
      addresses_.push_back(characters_.back().data());
      slots_.push_back({characters_.back().data(), field.width, blank});
      value_bytes_ += field.width;
    }
  }
}

void HostFields::reset() {
  for (const std::unique_ptr<SQLHANDLE>& handle : handles_) {
    if (handle != nullptr) *handle = nullptr;
  }
  for (const Slot& slot : slots_) std::memset(slot.bytes, slot.blank, slot.width);
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

void HostFields::copy_values(char* out) const {
  for (const Slot& slot : slots_) out = copy_bytes(out, slot.bytes, slot.width);
}

}  // namespace itemlookup
