// How a host field reads to a person: a number for digits, text otherwise, as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "lookup/lookup_catalog.hpp"

namespace itemlookup {

// A field's value for display: a number for a digit field that holds digits, text otherwise,
// as UTF-8 (the bytes read as UTF-8, or as Latin-1 when latin1 is set).
struct DisplayedValue {
  bool is_number;
  std::string text;
};
DisplayedValue displayed_value(const FieldDef& field, std::string_view bytes, bool latin1 = false);

}  // namespace itemlookup
