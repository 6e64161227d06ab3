#include "report/json_line_plan.hpp"

#include <algorithm>
#include <functional>
#include <span>
#include <stdexcept>

#include "report/json_writer.hpp"

namespace itemlookup {

namespace {

// Puts text in a plan's room of a fixed size; the catalog's names are short, and a name that is
// not is a mistake in it.
template <std::size_t N>
void fit(const std::string& text, std::array<char, N>& room, std::uint8_t& size) {
  if (text.size() > N) throw std::logic_error("too long for a JSON line's plan: " + text);
  std::copy(text.begin(), text.end(), room.begin());
  size = static_cast<std::uint8_t>(text.size());
}

}  // namespace

JsonLinePlan make_json_line_plan(const LookupCommand& command) {
  const ModuleDef& module = command.module;
  JsonLinePlan plan;
  fit(R"("command":)" + json_string(command.name) + R"(,"module":)" +
          json_string(module.entry_name) + R"(,"function_code":)" +
          json_string(std::string_view(&command.function_code, 1)) + R"(,"keys":{)",
      plan.opening, plan.opening_size);
  plan.most_bytes = plan.opening.size() + plan.closing.size();
  plan.slots.reserve(command.keys.size() + command.outputs.size());
  // Text waiting for the next value's slot, or for the closing after the last.
  std::string pending;
  bool first_in_object = true;
  const auto add_slot = [&](std::uint8_t parameter) {
    const FieldDef& field = module.parameters[parameter];
    if (!first_in_object) pending += ',';
    // Field names are the parameter table's identifiers: nothing in them to escape.
    pending += '"';
    pending += field.name;
    pending += "\":";
    first_in_object = false;
    JsonLineSlot slot;
    fit(pending, slot.before, slot.before_size);
    slot.parameter = parameter;
    plan.slots.push_back(slot);
    plan.most_bytes += slot.before.size() + json_string_room(field.width);
    pending.clear();
  };
  for (const KeyArgument& key : command.keys) add_slot(key.parameter);
  pending += R"(},"fields":{)";
  first_in_object = true;
  for (const std::uint8_t output : command.outputs) add_slot(output);
  fit(pending + "}", plan.closing, plan.closing_size);
  return plan;
}

const JsonLinePlan* catalog_json_line_plan(const LookupCommand& command) {
  static const std::vector<JsonLinePlan> plans = [] {
    std::vector<JsonLinePlan> made;
    made.reserve(lookup_commands().size());
    for (const LookupCommand& each : lookup_commands()) made.push_back(make_json_line_plan(each));
    return made;
  }();
  const std::span<const LookupCommand> commands = lookup_commands();
  const std::less<const LookupCommand*> before;
  if (before(&command, commands.data()) || !before(&command, commands.data() + commands.size())) {
    return nullptr;
  }
  return &plans[static_cast<std::size_t>(&command - commands.data())];
}

}  // namespace itemlookup
