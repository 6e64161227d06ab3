#include <windows.h>

#include "platform/shared_library.hpp"
#include "platform/windows_error.hpp"

namespace itemlookup::platform {

namespace {

// GetLastError does not survive a later call; kept from the failing one.
thread_local DWORD last_failure = 0;

}  // namespace

const char kLibrarySuffix[] = ".DLL";

void* load_library(const std::filesystem::path& file) {
  // An absolute path with LOAD_WITH_ALTERED_SEARCH_PATH: the module's own folder comes first
  // when its dependencies are looked for, as it does for a host loading it by full path.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(file, error);
  HMODULE library =
      LoadLibraryExW((error ? file : absolute).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (library == nullptr) last_failure = GetLastError();
  return reinterpret_cast<void*>(library);
}

void* library_entry(void* library, const char* name) {
  FARPROC entry = GetProcAddress(static_cast<HMODULE>(library), name);
  if (entry == nullptr) last_failure = GetLastError();
  return reinterpret_cast<void*>(entry);
}

void unload_library(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

std::string last_library_failure() {
  return windows_error_text(last_failure);
}

}  // namespace itemlookup::platform
