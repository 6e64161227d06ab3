#include "name_binding.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace lookup_frame {

namespace {

// The folders of the lookup module's own file, each absolute and with its final slash; empty
// when unknown or too long. Written once, while the module is being loaded.
char loaded_by_folder[PATH_MAX];
char real_file_folder[PATH_MAX];

// Keeps the folder of the absolute path `file`, with its slash, in `folder`.
void keep_folder_of(const char* file, char (&folder)[PATH_MAX]) {
  const char* last_slash = std::strrchr(file, '/');
  if (last_slash == nullptr) return;
  const std::size_t length = static_cast<std::size_t>(last_slash - file) + 1;
  if (length >= sizeof folder) return;
  std::memcpy(folder, file, length);
  folder[length] = '\0';
}

// `file` made absolute against the current directory, or false when it does not fit.
bool make_absolute(const char* file, char (&absolute)[PATH_MAX]) {
  const std::size_t name = std::strlen(file);
  std::size_t prefix = 0;
  if (file[0] != '/') {
    if (getcwd(absolute, sizeof absolute) == nullptr) return false;
    prefix = std::strlen(absolute);
    if (prefix == 0 || absolute[prefix - 1] != '/') absolute[prefix++] = '/';
  }
  if (prefix + name >= sizeof absolute) return false;
  std::memcpy(absolute + prefix, file, name + 1);
  return true;
}

// Runs while the module is being loaded, before the host regains control: the loader's name for
// the module is the path the host gave, and a relative one still means the current directory
// of this moment. The host may change its directory, or the link it loaded through, later.
__attribute__((constructor)) void fix_own_folders() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&fix_own_folders), &info) == 0 || info.dli_fname == nullptr ||
      info.dli_fname[0] == '\0') {
    return;
  }
  char absolute[PATH_MAX];
  if (!make_absolute(info.dli_fname, absolute)) return;
  keep_folder_of(absolute, loaded_by_folder);
  char real[PATH_MAX];
  if (realpath(absolute, real) != nullptr) keep_folder_of(real, real_file_folder);
}

}  // namespace

const char* PathBesideModule::for_relative(const char* relative, Place place) {
  const char* folder = place == Place::loaded_by ? loaded_by_folder : real_file_folder;
  if (folder[0] == '\0') return nullptr;
  if (place == Place::real_file && std::strcmp(folder, loaded_by_folder) == 0) return nullptr;
  const std::size_t folder_length = std::strlen(folder);
  const std::size_t name = std::strlen(relative);
  if (folder_length + name >= sizeof path_) return nullptr;
  std::memcpy(path_, folder, folder_length);
  std::memcpy(path_ + folder_length, relative, name + 1);
  return path_;
}

void* LibraryBinding::resolve() {
  if (handle != nullptr) return handle;
  handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (beside_module == nullptr) return handle;
  for (const PathBesideModule::Place place :
       {PathBesideModule::Place::loaded_by, PathBesideModule::Place::real_file}) {
    if (handle != nullptr) break;
    if (const char* beside = beside_module->for_relative(path, place)) {
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
