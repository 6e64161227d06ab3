#include "lookup/lookup_diagnostics.hpp"

#include <algorithm>
#include <string>

#include "errors_and_text/field_text.hpp"
#include "errors_and_text/text_encoding.hpp"

namespace itemlookup {

namespace {

bool is_warning(std::string_view sqlstate) {
  return sqlstate.starts_with("01");
}

// The column text as the database handed it over: up to its terminator, without padding.
std::string column_text(const tarnivel_conversion& conversion) {
  const std::string_view text(conversion.text);
  const std::string_view value = text.substr(0, text.find('\0'));
  const std::size_t start = std::min(value.find_first_not_of(' '), value.size());
  return std::string(trimmed_text(value.substr(start)));
}

// Whether the converter's value has a significant integer digit the field has no room for.
bool too_wide_for(const FieldDef& field, std::string_view value) {
  const std::size_t integer_positions = field.width - field.decimals;
  const std::size_t lost = TARNIVEL_VALUE_DIGITS - 8 - std::min<std::size_t>(integer_positions, 10);
  return value.substr(0, lost).find_first_not_of('0') != std::string_view::npos;
}

std::string picture(const FieldDef& field) {
  return "9(" + std::to_string(field.width - field.decimals) + ")V9(" +
         std::to_string(field.decimals) + ")";
}

}  // namespace

void note_undecodable_fields(LookupResult& result) {
  // Plain ASCII, the common case, is valid UTF-8 whatever the field.
  if (result.latin1 || is_ascii(result.fields)) return;
  for (const std::uint8_t output : result.command->outputs) {
    const FieldDef& field = result.command->module.parameters[output];
    if (field.kind != FieldKind::text) continue;
    const std::string_view text = trimmed_text(result.field(output));
    if (!is_ascii(text) && decoded_text(text, false).replaced) {
      result.warnings.push_back(std::string(field.name) +
                                ": not valid UTF-8 (a character cut by the field's width, or "
                                "single-byte text: try --encoding latin1); shown with U+FFFD");
    }
  }
}

void note_reports(const solvake_records& reports, LookupResult& result) {
  bool error_seen = false;
  for (int i = 0; i < reports.kept; ++i) {
    const solvake_record& record = reports.records[i];
    const std::string sqlstate = record.sqlstate;
    std::string message = record.message;
    // Drivers break long messages into lines; a report keeps each on one.
    std::replace_if(
        message.begin(), message.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; },
        ' ');
    if (is_warning(sqlstate)) {
      result.warnings.push_back(sqlstate + " " + message);
      continue;
    }
    result.errors.push_back(
        {sqlstate, record.native_error, message, error_seen && sqlstate == "HY010"});
    error_seen = true;
  }
  if (reports.count > reports.kept) {
    const std::string more =
        std::to_string(reports.count - reports.kept) + " earlier diagnostic record" +
        (reports.count - reports.kept == 1 ? "" : "s") + " not kept by the message module";
    if (reports.errors > 0 && result.errors.empty()) {
      result.errors.push_back({"", 0, more, false});
    } else {
      result.warnings.push_back(more);
    }
  }
}

void note_conversions(const tarnivel_conversions& conversions, LookupResult& result) {
  const auto& outputs = result.command->conversions;
  const int matched = std::min<int>(conversions.kept, static_cast<int>(outputs.size()));
  for (int i = 0; i < matched; ++i) {
    const tarnivel_conversion& conversion = conversions.conversions[i];
    const std::uint8_t parameter = outputs[static_cast<std::size_t>(i)];
    const FieldDef& field = result.command->module.parameters[parameter];
    const bool too_wide =
        conversion.lost_integer_digits ||
        too_wide_for(field, std::string_view(conversion.value, TARNIVEL_VALUE_DIGITS));
    if (!conversion.not_a_number && !too_wide && !conversion.dropped_sign) continue;
    const std::string got = decimal_number(result.field(parameter), field.decimals).value_or("?");
    const std::string prefix =
        std::string(field.name) + ": the database value " + column_text(conversion);
    if (conversion.not_a_number) {
      result.warnings.push_back(prefix + " is not a number; the host got " + got);
    } else if (too_wide) {
      result.warnings.push_back(prefix + " does not fit " + picture(field) + "; the host got " +
                                got);
    }
    if (conversion.dropped_sign) {
      result.warnings.push_back(prefix + " is negative; the host got " + got +
                                ", without its sign");
    }
  }
}

}  // namespace itemlookup
