#include "lookup_module.hpp"

#include <cstdint>
#include <cstring>

#include "lookup_call.hpp"
#include "statement_cycle.hpp"

namespace lookup_frame {

namespace {

const Operation* operation_for(const ModuleLayout& module, char function_code) {
  for (const Operation& operation : module.operations) {
    if (operation.function_code == function_code) return &operation;
  }
  return nullptr;
}

void preset_status(const LookupCall& call) {
  const std::string_view preset = call.module.preset_status;
  if (!preset.empty()) {
    copy_bytes(call.parameter(call.module.positions.status), preset.data(), preset.size());
  }
}

}  // namespace

int run_lookup(ModuleState& state, const ModuleLayout& module, std::span<void* const> parameters) {
  if (!state.record_prepared) {
    std::memset(static_cast<void*>(&state.record), ' ', sizeof state.record);
    state.record.statement_extent = 0;  // the statement buffer holds spaces only
    state.record_prepared = true;
  }
  const LookupCall call{module, state.record, state.names, parameters};
  reset_result_area(call);
  preset_status(call);

  const Operation* operation =
      operation_for(module, *call.parameter(module.positions.function_code));
  if (operation == nullptr) return 0;

  bool found = false;
  for (std::size_t i = 0; i < operation->statements.size() && !found; ++i) {
    // A fallback statement starts from the preset status, as the first one did.
    if (i > 0) preset_status(call);
    found = run_statement(call, operation->statements[i]);
  }
  return static_cast<std::uint16_t>(state.record.return_code);
}

}  // namespace lookup_frame
