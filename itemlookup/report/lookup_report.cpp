#include "report/lookup_report.hpp"

#include <algorithm>
#include <span>
#include <vector>

#include "errors_and_text/field_text.hpp"
#include "errors_and_text/printable_text.hpp"
#include "errors_and_text/text_encoding.hpp"
#include "report/field_format.hpp"
#include "report/json_writer.hpp"

namespace itemlookup {

namespace {

struct Row {
  std::string name;
  std::string value;
};

std::string table_value(const FieldDef& field, std::string_view bytes, bool latin1) {
  const DisplayedValue value = displayed_value(field, bytes, latin1);
  return value.is_number ? value.text : "[" + printable(value.text) + "]";
}

// One member per field. Batch writes one line per lookup: the common values, plain ASCII text
// and numbers, go in without a detour through displayed_value.
void add_field(JsonObject& object, const FieldDef& field, std::string_view bytes, bool latin1) {
  if (field.kind == FieldKind::text) {
    const std::string_view text = trimmed_text(bytes);
    if (object.add_plain_string(field.name, text)) return;
    if (is_ascii(text)) {
      object.add_string(field.name, text);
      return;
    }
  } else if (object.add_decimal(field.name, bytes, field.decimals)) {
    return;
  }
  const DisplayedValue value = displayed_value(field, bytes, latin1);
  if (value.is_number) {
    object.add_json(field.name, value.text);
  } else {
    object.add_string(field.name, value.text);
  }
}

// What a lookup's object holds after its line number, the same every time: its command, module and
// function code, and the opening of its keys.
void add_opening(JsonObject& object, const LookupCommand& command) {
  object.add_string("command", command.name)
      .add_string("module", command.module.entry_name)
      .add_string("function_code", std::string_view(&command.function_code, 1))
      .open("keys");
}

// The same written once per command of the catalog; empty for a command it does not hold.
std::string_view opening_members(const LookupCommand& command) {
  static const std::vector<std::string> openings = [] {
    std::vector<std::string> texts;
    for (const LookupCommand& each : lookup_commands()) {
      JsonObject object;
      add_opening(object, each);
      // Without the outer braces: the keys' object stays open.
      const std::string text = std::move(object).text();
      texts.push_back(text.substr(1, text.size() - 2));
    }
    return texts;
  }();
  const std::span<const LookupCommand> commands = lookup_commands();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (&commands[i] == &command) return openings[i];
  }
  return {};
}

// A failed lookup's status is what the module left on its not-found path: it says nothing of
// the item, so the meaning points to the error instead.
constexpr std::string_view kFailedMeaning = "error: the lookup failed (see error)";

std::string_view meaning(const LookupResult& result) {
  return result.failed() ? kFailedMeaning : status_meaning(result.status());
}

std::string status_text(const LookupResult& result) {
  const std::string_view text = meaning(result);
  return printable(result.status()) + " " + (text.empty() ? "(unknown status)" : std::string(text));
}

// The return code arrives zero-extended from 16 bits; a negative one is shown as such too.
std::string return_code_text(int return_code) {
  std::string text = std::to_string(return_code);
  if (return_code >= 0x8000 && return_code <= 0xffff) {
    text += " (" + std::to_string(return_code - 0x10000) + ")";
  }
  return text;
}

std::string error_text(const LookupError& error) {
  std::string text = error.sqlstate.empty() ? error.message : error.sqlstate + " " + error.message;
  if (error.consequence) text += " (follows from the error above)";
  return printable(text);
}

// {"sqlstate":...,"native":...,"message":...}, and what follows from it.
JsonObject error_object(const LookupError& error) {
  JsonObject object;
  object.add_string("sqlstate", error.sqlstate)
      .add_number("native", error.native_error)
      .add_string("message", error.message);
  return object;
}

std::string json_array(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
  return "[" + text + "]";
}

// The first error is the cause; the others follow it, each marked when it is only a
// consequence of it.
std::string lookup_error_json(const std::vector<LookupError>& errors) {
  JsonObject cause = error_object(errors.front());
  std::vector<std::string> others;
  for (std::size_t i = 1; i < errors.size(); ++i) {
    others.push_back(error_object(errors[i]).add_bool("consequence", errors[i].consequence).text());
  }
  if (!others.empty()) cause.add_json("follow_on", json_array(others));
  return cause.text();
}

}  // namespace

std::string lookup_table(const LookupResult& result) {
  const LookupCommand& command = *result.command;
  const ModuleDef& module = command.module;
  std::vector<Row> rows;
  for (const KeyArgument& key : command.keys) {
    const FieldDef& field = module.parameters[key.parameter];
    rows.push_back(
        {std::string(field.name), table_value(field, result.field(key.parameter), result.latin1)});
  }
  for (const std::uint8_t output : command.outputs) {
    const FieldDef& field = module.parameters[output];
    rows.push_back(
        {std::string(field.name), table_value(field, result.field(output), result.latin1)});
  }
  rows.push_back({"status", status_text(result)});
  rows.push_back({"return_code", return_code_text(result.return_code)});
  if (result.retries > 0) {
    rows.push_back({"retries", std::to_string(result.retries) + " (each on a new connection)"});
    for (const LookupError& error : result.retried_errors)
      rows.push_back({"retried_error", error_text(error)});
  }
  for (const std::string& warning : result.warnings)
    rows.push_back({"warning", printable(warning)});
  for (const LookupError& error : result.errors) rows.push_back({"error", error_text(error)});

  std::size_t name_width = 0;
  for (const Row& row : rows) name_width = std::max(name_width, row.name.size());
  std::string table = std::string(module.entry_name) + " function " + command.function_code + ": " +
                      std::string(command.summary) + "\n";
  for (const Row& row : rows) {
    table +=
        "  " + row.name + std::string(name_width - row.name.size() + 2, ' ') + row.value + "\n";
  }
  return table;
}

std::string lookup_json(const LookupResult& result, std::size_t line, std::string storage) {
  const LookupCommand& command = *result.command;
  const ModuleDef& module = command.module;
  JsonObject object(1024, std::move(storage));
  if (line != 0) object.add_number("line", static_cast<long long>(line));
  if (const std::string_view opening = opening_members(command); !opening.empty()) {
    object.add_members(opening);
  } else {
    add_opening(object, command);
  }
  for (const KeyArgument& key : command.keys) {
    add_field(object, module.parameters[key.parameter], result.field(key.parameter), result.latin1);
  }
  object.close().open("fields");
  for (const std::uint8_t output : command.outputs) {
    add_field(object, module.parameters[output], result.field(output), result.latin1);
  }
  object.close()
      .add_string("status", result.status())
      .add_string("meaning", meaning(result))
      .add_bool("found", result.found() && !result.failed())
      .add_number("return_code", result.return_code);
  if (result.retries > 0) {
    std::vector<std::string> retried;
    for (const LookupError& error : result.retried_errors) {
      retried.push_back(error_object(error).text());
    }
    object.add_number("retries", result.retries).add_json("retried_errors", json_array(retried));
  }
  if (!result.warnings.empty()) {
    std::vector<std::string> warnings;
    for (const std::string& warning : result.warnings) warnings.push_back(json_string(warning));
    object.add_json("warnings", json_array(warnings));
  }
  if (result.failed()) object.add_json("error", lookup_error_json(result.errors));
  return std::move(object).text();
}

std::string error_json(std::size_t line, std::string_view message) {
  JsonObject object;
  object.add_number("line", static_cast<long long>(line)).add_string("error", message);
  return object.text();
}

}  // namespace itemlookup
