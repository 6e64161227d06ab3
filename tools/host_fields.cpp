#include "host_fields.hpp"

#include <cassert>
#include <cstring>

namespace itemlookup {

namespace {

std::vector<char> initial_bytes(const FieldDef& field) {
  switch (field.kind) {
    case FieldKind::text:
      return std::vector<char>(field.width, ' ');
    case FieldKind::digits:
      return std::vector<char>(field.width, '0');
    case FieldKind::handle:
      break;
  }
  return std::vector<char>(sizeof(SQLHANDLE), '\0');
}

}  // namespace

HostFields::HostFields(const ModuleDef& module) {
  storage_.reserve(module.parameters.size());
  for (const FieldDef& field : module.parameters) {
    storage_.push_back(initial_bytes(field));
    addresses_.push_back(storage_.back().data());
  }
}

void HostFields::set(std::uint8_t parameter, std::string_view bytes) {
  std::vector<char>& field = storage_.at(parameter);
  assert(bytes.size() == field.size());
  std::memcpy(field.data(), bytes.data(), field.size());
}

void HostFields::set_handle(std::uint8_t parameter, SQLHANDLE handle) {
  std::vector<char>& field = storage_.at(parameter);
  assert(field.size() == sizeof handle);
  std::memcpy(field.data(), &handle, sizeof handle);
}

std::string_view HostFields::value(std::uint8_t parameter) const {
  const std::vector<char>& field = storage_.at(parameter);
  return {field.data(), field.size()};
}

}  // namespace itemlookup
