#include "name_binding.hpp"

#include <dlfcn.h>

#include <cstring>

namespace lookup_frame {

namespace {

// The file this code was loaded from: the lookup module itself, which the frame is linked into.
const char* own_file_name() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&own_file_name), &info) == 0) return nullptr;
  return info.dli_fname;
}

}  // namespace

const char* PathBesideModule::for_relative(const char* relative) {
  if (state_ == State::unbuilt) {
    state_ = State::none;
    const char* file = own_file_name();
    const char* last_slash = file != nullptr ? std::strrchr(file, '/') : nullptr;
    if (last_slash != nullptr) {
      const std::size_t folder = static_cast<std::size_t>(last_slash - file) + 1;
      const std::size_t name = std::strlen(relative);
      if (folder + name < sizeof path_) {
        std::memcpy(path_, file, folder);
        std::memcpy(path_ + folder, relative, name + 1);
        state_ = State::built;
      }
    }
  }
  return state_ == State::built ? path_ : nullptr;
}

void* LibraryBinding::resolve() {
  if (handle != nullptr) return handle;
  handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr && beside_module != nullptr) {
    if (const char* beside = beside_module->for_relative(path)) {
      handle = dlopen(beside, RTLD_NOW | RTLD_LOCAL);
    }
  }
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
