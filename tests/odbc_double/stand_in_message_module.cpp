// PGMS/SOLVAKE.so for tests: answers from the double's script instead of reporting diagnostics.

#include "item_lookup.h"
#include "stand_in_hooks.hpp"

extern "C" ODBC_DOUBLE_API int SOLVAKE(void* statement_handle, void* environment_handle,
                                       void* connection_handle) {
  return odbc_double::stand_in::message_module_called(statement_handle, environment_handle,
                                                      connection_handle);
}
