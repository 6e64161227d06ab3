// POSIX: dlopen and dlsym; the driver manager is libodbc.so.2.
#include <dlfcn.h>

#include "test_platform.hpp"

namespace test_platform {

void* load_library(const std::filesystem::path& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* find_entry(void* library, const char* name) {
  return dlsym(library, name);
}

void unload_library(void* library) {
  dlclose(library);
}

bool is_loaded(const std::filesystem::path& path) {
  void* still_loaded = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (still_loaded == nullptr) return false;
  dlclose(still_loaded);
  return true;
}

std::string last_error() {
  const char* detail = dlerror();
  return detail ? detail : "";
}

void* driver_manager_entry(const char* name) {
  void* loaded = dlopen("libodbc.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (loaded == nullptr) return nullptr;
  void* entry = dlsym(loaded, name);
  dlclose(loaded);
  return entry;
}

}  // namespace test_platform
