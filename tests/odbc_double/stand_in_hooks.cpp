#include "stand_in_hooks.hpp"

#include <cstring>

#include "double_state.hpp"
#include "item_lookup.h"

namespace odbc_double::stand_in {

namespace {

constexpr int kMessageModuleResult = 1;

SQLHANDLE handle_in(const void* field) {
  SQLHANDLE handle = nullptr;
  if (field != nullptr) std::memcpy(&handle, field, sizeof handle);
  return handle;
}

}  // namespace

int message_module_called(void* statement_field, void* environment_field, void* connection_field) {
  detail::LockedState state;
  const int occurrence = state->recording.next_occurrence(Function::message_module);
  const int* scripted = state->script.message_module_results.find(occurrence);
  const int result = scripted ? *scripted : kMessageModuleResult;
  state->recording.append(Call{.function = Function::message_module,
                               .result = result,
                               .statement = handle_in(statement_field),
                               .environment = handle_in(environment_field),
                               .connection = handle_in(connection_field),
                               .statement_field = statement_field,
                               .environment_field = environment_field,
                               .connection_field = connection_field});
  return result;
}

ConverterTurn converter_called(const char* text, const char* value) {
  detail::LockedState state;
  const int occurrence = state->recording.next_occurrence(Function::converter);
  const ConverterReply* scripted = state->script.converter_replies.find(occurrence);
  const std::size_t record =
      state->recording.append(Call{.function = Function::converter,
                                   .text = std::string(text, TARNIVEL_TEXT_WIDTH),
                                   .value_before = std::string(value, TARNIVEL_VALUE_DIGITS)});
  return {record, scripted ? *scripted : ConverterReply{}};
}

void converter_returned(std::size_t record, const char* value, int result) {
  detail::LockedState state;
  std::vector<Call>& calls = state->recording.calls();
  if (record >= calls.size()) return;  // reset while the converter ran
  calls[record].value_after.assign(value, TARNIVEL_VALUE_DIGITS);
  calls[record].result = result;
}

}  // namespace odbc_double::stand_in
