// Linux and other POSIX systems: libraries through dlopen, entries through dlsym.
#include <dlfcn.h>

#include "platform.hpp"

namespace lookup_frame::platform {

const char kDriverManager[] = "libodbc.so.2";

void* load_system_library(const char* name) {
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* find_entry(void* library, const char* name) {
  return dlsym(library, name);
}

void unload(void* library) {
  dlclose(library);
}

}  // namespace lookup_frame::platform
