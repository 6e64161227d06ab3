#include "report/field_format.hpp"

#include <optional>

#include "errors_and_text/field_text.hpp"
#include "errors_and_text/text_encoding.hpp"

namespace itemlookup {

DisplayedValue displayed_value(const FieldDef& field, std::string_view bytes, bool latin1) {
  if (field.kind == FieldKind::digits) {
    if (std::optional<std::string> number = decimal_number(bytes, field.decimals)) {
      return {true, *number};
    }
    return {false, decoded_text(bytes, latin1).utf8};
  }
  return {false, decoded_text(trimmed_text(bytes), latin1).utf8};
}

}  // namespace itemlookup
