#include <dlfcn.h>

#include "platform/shared_library.hpp"

namespace itemlookup::platform {

const char kLibrarySuffix[] = ".so";

void* load_library(const std::filesystem::path& file) {
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* library_entry(void* library, const char* name) {
  return dlsym(library, name);
}

void unload_library(void* library) {
  dlclose(library);
}

std::string last_library_failure() {
  const char* message = dlerror();
  return message != nullptr ? message : "unknown reason";
}

}  // namespace itemlookup::platform
