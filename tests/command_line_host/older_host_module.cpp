// A host's own older PGMS module, from before hosts read what it saw: the entry the lookup modules
// call, without the TAKE entry. Built once as SOLVAKE.so (OLDER_MESSAGE_MODULE) and once as
// TARNIVEL.so.

#include <cstdio>

#include "item_lookup.h"
#include "numeric_text_conversion.hpp"

#ifdef OLDER_MESSAGE_MODULE
// Says that something failed, on standard error only, and answers "not a warning".
extern "C" __attribute__((visibility("default"))) int SOLVAKE(void*, void*, void*) {
  std::fputs("SOLVAKE: an ODBC call failed\n", stderr);
  return 1;
}
#else
extern "C" __attribute__((visibility("default"))) int TARNIVEL(char* text, char* value) {
  return host_modules::convert_numeric_text(text, value);
}
#endif
