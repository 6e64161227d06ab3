#include "report/json_line_plan.hpp"

#include <algorithm>
#include <functional>
#include <span>
#include <stdexcept>

#include "report/json_writer.hpp"

namespace itemlookup {

JsonLinePlan make_json_line_plan(const LookupCommand& command) {
  const ModuleDef& module = command.module;
  JsonLinePlan plan;
  plan.opening = R"("command":)" + json_string(command.name) + R"(,"module":)" +
                 json_string(module.entry_name) + R"(,"function_code":)" +
                 json_string(std::string_view(&command.function_code, 1)) + R"(,"keys":{)";
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
    if (pending.size() > JsonLineSlot::kMostBeforeBytes) {
      throw std::logic_error("a field name too long for a JSON line: " + std::string(field.name));
    }
    JsonLineSlot slot;
    std::copy(pending.begin(), pending.end(), slot.before.begin());
    slot.before_size = static_cast<std::uint8_t>(pending.size());
    slot.parameter = parameter;
    plan.slots.push_back(slot);
    plan.most_slot_bytes += JsonLineSlot::kMostBeforeBytes + json_string_room(field.width);
    pending.clear();
  };
  for (const KeyArgument& key : command.keys) add_slot(key.parameter);
  pending += R"(},"fields":{)";
  first_in_object = true;
  for (const std::uint8_t output : command.outputs) add_slot(output);
  plan.closing = pending + "}";
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
