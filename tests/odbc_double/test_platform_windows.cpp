// Windows: LoadLibraryExW and GetProcAddress; the driver manager is ODBC32.DLL.
#include <windows.h>

#include "test_platform.hpp"

namespace test_platform {

void* load_library(const std::filesystem::path& path) {
  // The module's own dependencies come from its own folder, as a host loading it by path gets.
  return LoadLibraryExW(std::filesystem::absolute(path).c_str(), nullptr,
                        LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* find_entry(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unload_library(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

bool is_loaded(const std::filesystem::path& path) {
  return GetModuleHandleW(std::filesystem::absolute(path).c_str()) != nullptr;
}

std::string last_error() {
  const DWORD code = GetLastError();
  return code == 0 ? std::string() : "Windows error " + std::to_string(code);
}

void* driver_manager_entry(const char* name) {
  HMODULE loaded = GetModuleHandleA("ODBC32.DLL");
  return loaded ? reinterpret_cast<void*>(GetProcAddress(loaded, name)) : nullptr;
}

}  // namespace test_platform
