// Windows: libraries through LoadLibraryExA, entries through GetProcAddress.
#include <windows.h>

#include "platform.hpp"

namespace lookup_frame::platform {

const char kDriverManager[] = "ODBC32.DLL";

void* load_system_library(const char* name) {
  // The system folder only (SysWOW64 for a 32-bit host on 64-bit Windows): never the host
  // program's folder nor the current one, where anyone who can write there could plant a library
  // that would then run inside the host. A driver manager the process has already loaded is the
  // one used, as the system's loader gives a loaded module of that name first.
  return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* find_entry(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unload(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace lookup_frame::platform
