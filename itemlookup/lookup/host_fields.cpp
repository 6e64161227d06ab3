#include "lookup/host_fields.hpp"

#include <cstring>
#include <stdexcept>
#include <string>

namespace itemlookup {

namespace {

// The refusals are kept out of line: each check then costs a lookup's calls a compare, and not a
// frame for a message's text.
[[noreturn, gnu::cold, gnu::noinline]] void refuse(const char* why) {
  throw std::logic_error(why);
}

[[noreturn, gnu::cold, gnu::noinline]] void refuse_parameter(std::uint8_t parameter,
                                                             std::string_view module) {
  throw std::logic_error("no parameter " + std::to_string(parameter) + " in " +
                         std::string(module));
}

}  // namespace

HostFields::HostFields(const ModuleDef& module) : module_(module) {
  if (module.parameters.size() > offsets_.size()) {
    refuse("a module with more parameters than a result keeps");
  }
  for (std::size_t i = 0; i < module.parameters.size(); ++i) {
    offsets_[i] = static_cast<std::uint16_t>(value_bytes_);
    if (module.parameters[i].kind != FieldKind::handle) value_bytes_ += module.parameters[i].width;
  }
  values_ = std::make_unique<char[]>(value_bytes_);
  blanks_ = std::make_unique<char[]>(value_bytes_);
  addresses_.reserve(module.parameters.size());
  for (std::size_t i = 0; i < module.parameters.size(); ++i) {
    const FieldDef& field = module.parameters[i];
    if (field.kind == FieldKind::handle) {
      handles_.push_back(std::make_unique<SQLHANDLE>(nullptr));
      addresses_.push_back(handles_.back().get());
    } else {
      std::memset(blanks_.get() + offsets_[i], field.kind == FieldKind::digits ? '0' : ' ',
                  field.width);
      addresses_.push_back(values_.get() + offsets_[i]);
    }
  }
  reset();
}

void HostFields::reset() {
  for (const std::unique_ptr<SQLHANDLE>& handle : handles_) *handle = nullptr;
  std::memcpy(values_.get(), blanks_.get(), value_bytes_);
}

const FieldDef& HostFields::field(std::uint8_t parameter) const {
  if (parameter >= module_.parameters.size()) refuse_parameter(parameter, module_.entry_name);
  return module_.parameters[parameter];
}

void HostFields::set(std::uint8_t parameter, std::string_view bytes) {
  const FieldDef& definition = field(parameter);
  if (definition.kind == FieldKind::handle || bytes.size() != definition.width) {
    refuse("a field set with bytes not of its width");
  }
  std::memcpy(values_.get() + offsets_[parameter], bytes.data(), bytes.size());
}

void HostFields::set_handle(std::uint8_t parameter, SQLHANDLE handle) {
  if (field(parameter).kind != FieldKind::handle) refuse("a handle set in a field of bytes");
  *static_cast<SQLHANDLE*>(addresses_[parameter]) = handle;
}

std::string_view HostFields::value(std::uint8_t parameter) const {
  const FieldDef& definition = field(parameter);
  if (definition.kind == FieldKind::handle) return {};
  return values().substr(offsets_[parameter], definition.width);
}

}  // namespace itemlookup
