#include "name_binding.hpp"

#include <dlfcn.h>

namespace lookup_frame {

void* LibraryBinding::resolve() {
  if (handle == nullptr) handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  return handle;
}

void LibraryBinding::release() {
  if (handle != nullptr) dlclose(handle);
  handle = nullptr;
}

void* EntryBinding::resolve() {
  if (entry != nullptr) return entry;
  void* loaded = library->resolve();
  if (loaded != nullptr) entry = dlsym(loaded, name);
  return entry;
}

}  // namespace lookup_frame
