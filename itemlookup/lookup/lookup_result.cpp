#include "lookup/lookup_result.hpp"

namespace itemlookup {

std::string_view LookupResult::field(std::uint8_t parameter) const {
  const FieldDef& definition = command->module.parameters[parameter];
  if (definition.kind == FieldKind::handle) return {};
  return std::string_view(fields).substr(offsets[parameter], definition.width);
}

}  // namespace itemlookup
