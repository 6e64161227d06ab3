// What tests call to script the double and read back its timeline.

#include <algorithm>
#include <stdexcept>

#include "double_state.hpp"
#include "test_platform.hpp"

namespace odbc_double {

using detail::LockedState;

void script(Function function, int occurrence, Outcome outcome) {
  if (static_cast<std::size_t>(function) >= detail::kOdbcFunctionCount) {
    throw std::invalid_argument(
        "only the modules' six ODBC functions are scripted here; host modules are scripted "
        "with script_message_module and script_converter");
  }
  LockedState state;
  state->script.outcomes.at(static_cast<std::size_t>(function)).set(occurrence, outcome);
}

void script_rows(int execution, std::vector<Row> rows) {
  LockedState state;
  state->script.rows.set(execution, std::move(rows));
}

void set_driver_style(DriverStyle style) {
  LockedState state;
  state->script.style = style;
}

void script_message_module(int occurrence, int result) {
  LockedState state;
  state->script.message_module_results.set(occurrence, result);
}

void script_converter(int occurrence, ConverterReply reply) {
  LockedState state;
  state->script.converter_replies.set(occurrence, reply);
}

void script_statement(std::string text, StatementAnswer answer) {
  LockedState state;
  state->script.statement_answers[std::move(text)].push_back(std::move(answer));
}

void script_info(SQLUSMALLINT item, std::string text) {
  LockedState state;
  state->script.info.insert_or_assign(item, std::move(text));
}

void script_connection_attribute(SQLINTEGER attribute, SQLULEN value) {
  LockedState state;
  state->script.connection_attributes.insert_or_assign(attribute, value);
}

std::vector<std::string> executed_statements() {
  std::vector<std::string> texts;
  for (const Call& call : calls_of(Function::exec)) texts.push_back(call.text);
  return texts;
}

void reset() {
  LockedState state;
  *state = detail::DoubleState{};
}

std::vector<Call> calls() {
  LockedState state;
  return state->recording.calls();
}

std::vector<Call> calls_of(Function function) {
  std::vector<Call> selected = calls();
  std::erase_if(selected, [&](const Call& call) { return call.function != function; });
  return selected;
}

std::vector<Function> functions() {
  std::vector<Function> sequence;
  for (const Call& call : calls()) sequence.push_back(call.function);
  return sequence;
}

std::vector<SQLHSTMT> open_statements() {
  LockedState state;
  return state->statements.handles();
}

SQLHSTMT statement_handle(int allocation) {
  return detail::Statements::handle_for(allocation);
}

bool is_process_driver_manager() {
  return test_platform::driver_manager_entry("SQLFetch") == reinterpret_cast<void*>(&SQLFetch);
}

}  // namespace odbc_double
