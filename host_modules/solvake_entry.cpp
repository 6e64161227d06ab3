// SOLVAKE: the host's message module, called by a lookup after an ODBC call failed so the
// operator sees what the driver said.

#include <cstdio>

#include "diagnostic_report.hpp"
#include "driver_manager_binding.hpp"
#include "item_lookup.h"

extern "C" __attribute__((visibility("default"))) int SOLVAKE(void* statement_handle,
                                                              void* environment_handle,
                                                              void* connection_handle) {
  const host_modules::DiagnosticSource source = host_modules::choose_diagnostic_source(
      statement_handle, environment_handle, connection_handle);
  return host_modules::report_diagnostics(host_modules::bind_diagnostic_record_reader(), source,
                                          stderr);
}
