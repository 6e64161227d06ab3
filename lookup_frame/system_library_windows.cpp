// Windows: libraries through LoadLibraryA, entries through GetProcAddress.
#include <windows.h>

#include "platform.hpp"

namespace lookup_frame::platform {

const char kDriverManager[] = "ODBC32.DLL";

void* load_system_library(const char* name) {
  return LoadLibraryA(name);
}

void* find_entry(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unload(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace lookup_frame::platform
