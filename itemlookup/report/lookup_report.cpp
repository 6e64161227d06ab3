#include "report/lookup_report.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <vector>

#include "errors_and_text/field_text.hpp"
#include "errors_and_text/printable_text.hpp"
#include "errors_and_text/short_bytes.hpp"
#include "errors_and_text/text_encoding.hpp"
#include "report/field_format.hpp"
#include "report/json_line_plan.hpp"
#include "report/json_writer.hpp"

namespace itemlookup {

namespace {

struct Row {
  std::string name;
  std::string value;
};

std::string table_value(const FieldDef& field, std::string_view bytes, bool latin1) {
  const DisplayedValue value = displayed_value(field, bytes, latin1);
  if (value.is_number) return value.text;
  std::string bracketed = "[";
  bracketed += printable(value.text);
  bracketed += ']';
  return bracketed;
}

// A field's value that is neither plain text nor digits: as shown to a person, as a string
// literal. Decoding makes at most three bytes of one, and escaping six of an ASCII byte, so it
// takes at most json_string_room of the field's width.
[[gnu::cold]] char* put_displayed_value(char* out, const FieldDef& field, std::string_view bytes,
                                        bool latin1) {
  return put_json_string(out, displayed_value(field, bytes, latin1).text);
}

// One field's value: plain ASCII text and digits, nearly all of a batch, go in without a detour.
char* put_field_value(char* out, const FieldDef& field, std::string_view bytes, bool latin1) {
  if (field.kind == FieldKind::text) {
    const std::string_view text = trimmed_text(bytes);
    if (needs_no_escaping(text)) {
      *out++ = '"';
      out = copy_bytes(out, text.data(), text.size());
      *out++ = '"';
      return out;
    }
  } else if (const std::size_t length = write_decimal_number(bytes, field.decimals, out)) {
    return out + length;
  }
  return put_displayed_value(out, field, bytes, latin1);
}

// A literal of this file: its size is known here, so its copy is a few moves.
template <std::size_t N>
char* put_literal(char* out, const char (&text)[N]) {
  std::memcpy(out, text, N - 1);
  return out + N - 1;
}

// Text of a line's plan, kept in room of a fixed size: copied whole, then `size` bytes count.
template <std::size_t N>
char* put_fixed(char* out, const std::array<char, N>& text, std::uint8_t size) {
  std::memcpy(out, text.data(), N);
  return out + size;
}

constexpr char kLine[] = R"("line":)";
constexpr char kStatus[] = R"(,"status":)";
constexpr char kMeaning[] = R"(,"meaning":)";
constexpr char kFound[] = R"(,"found":true)";
constexpr char kNotFound[] = R"(,"found":false)";
constexpr char kReturnCode[] = R"(,"return_code":)";
constexpr std::size_t kMostNumberBytes = 20;  // of a long long, with its sign

// One copy of the number writer for the line number and the return code.
[[gnu::noinline]] char* put_number(char* out, long long value) {
  return std::to_chars(out, out + kMostNumberBytes, value).ptr;
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

// What a line holds only when a lookup was retried, warned of or failed, after its return code:
// the line so far is the first `used` bytes of room, and grows with them.
[[gnu::cold]] std::string_view with_rare_members(const LookupResult& result, std::string& room,
                                                 std::size_t used) {
  JsonObject object;
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
  // The object's members after a comma: its braces are the line's.
  std::string members = std::move(object).text();
  members.front() = ',';
  members.back() = '}';
  members += '\n';
  room.resize(std::max(room.size(), used + members.size()));
  std::memcpy(room.data() + used, members.data(), members.size());
  return {room.data(), used + members.size()};
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

namespace {

// The line of a lookup by its command's plan.
std::string_view json_line_by_plan(const LookupResult& result, const JsonLinePlan& plan,
                                   std::size_t line, std::string& room) {
  const ModuleDef& module = result.command->module;
  const std::string_view status = result.status();
  const std::string_view meaning_text = meaning(result);
  // '{', the line number and its comma, the plan's part, the members after it, "}\n".
  const std::size_t most = 2 + sizeof kLine + kMostNumberBytes + plan.most_bytes + sizeof kStatus +
                           json_string_room(status.size()) + sizeof kMeaning +
                           json_string_room(meaning_text.size()) + sizeof kNotFound +
                           sizeof kReturnCode + kMostNumberBytes + 2;
  if (room.size() < most) room.resize(most);
  char* const start = room.data();
  char* out = start;
  *out++ = '{';
  if (line != 0) {
    out = put_number(put_literal(out, kLine), static_cast<long long>(line));
    *out++ = ',';
  }
  out = put_fixed(out, plan.opening, plan.opening_size);
  for (const JsonLineSlot& slot : plan.slots) {
    out = put_field_value(put_fixed(out, slot.before, slot.before_size),
                          module.parameters[slot.parameter], result.field(slot.parameter),
                          result.latin1);
  }
  out = put_fixed(out, plan.closing, plan.closing_size);
  out = put_json_string(put_literal(out, kStatus), status);
  out = put_json_string(put_literal(out, kMeaning), meaning_text);
  out = result.found() && !result.failed() ? put_literal(out, kFound) : put_literal(out, kNotFound);
  out = put_number(put_literal(out, kReturnCode), result.return_code);
  if (result.retries > 0 || !result.warnings.empty() || result.failed()) [[unlikely]] {
    return with_rare_members(result, room, static_cast<std::size_t>(out - start));
  }
  out = put_literal(out, "}\n");
  return {start, static_cast<std::size_t>(out - start)};
}

// A command the catalog does not hold has a plan made for its line alone.
[[gnu::cold]] std::string_view json_line_by_own_plan(const LookupResult& result, std::size_t line,
                                                     std::string& room) {
  const JsonLinePlan plan = make_json_line_plan(*result.command);
  return json_line_by_plan(result, plan, line, room);
}

}  // namespace

std::string_view lookup_json_line(const LookupResult& result, std::size_t line, std::string& room) {
  const JsonLinePlan* plan = catalog_json_line_plan(*result.command);
  if (plan == nullptr) [[unlikely]]
    return json_line_by_own_plan(result, line, room);
  return json_line_by_plan(result, *plan, line, room);
}

std::string lookup_json(const LookupResult& result, std::size_t line) {
  std::string room;
  const std::string_view text = lookup_json_line(result, line, room);
  return std::string(text.substr(0, text.size() - 1));
}

std::string error_json(std::size_t line, std::string_view message) {
  JsonObject object;
  object.add_number("line", static_cast<long long>(line)).add_string("error", message);
  return object.text();
}

}  // namespace itemlookup
