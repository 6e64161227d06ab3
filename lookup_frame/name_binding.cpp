#include "name_binding.hpp"

#include "platform.hpp"

namespace lookup_frame {

void* LibraryBinding::resolve() {
  if (handle != nullptr) return handle;
  if (source == Source::system) {
    handle = platform::load_system_library(path);
    return handle;
  }
  handle = platform::load_from_current_folder(path);
  if (handle == nullptr) handle = platform::load_beside_module(path);
  return handle;
}

void LibraryBinding::release() {
  if (handle != nullptr) platform::release_as_module_unloads(handle);
  handle = nullptr;
}

void* EntryBinding::resolve() {
  if (entry != nullptr) return entry;
  void* loaded = library->resolve();
  if (loaded != nullptr) entry = platform::find_entry(loaded, name);
  return entry;
}

}  // namespace lookup_frame
