// Linux and other POSIX systems: the host modules by relative path, and the lookup module's
// folders from dladdr.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform.hpp"

namespace lookup_frame::platform {

const char kMessageModule[] = "PGMS/SOLVAKE.so";
const char kConverter[] = "PGMS/TARNIVEL.so";

namespace {

// The folders of the lookup module's own file, each absolute and with its final slash; empty
// when unknown or too long. Written once, while the module is being loaded: the folder of the
// path the host loaded it by, then the folder of its real file (symlinks resolved).
char loaded_by_folder[PATH_MAX];
char real_file_folder[PATH_MAX];

// "<folder><relative>", built for one load at a time: calls into one module do not overlap.
char beside_path[PATH_MAX];

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

void* load_beside(const char* folder, const char* relative) {
  if (folder[0] == '\0') return nullptr;
  const std::size_t folder_length = std::strlen(folder);
  const std::size_t name = std::strlen(relative);
  if (folder_length + name >= sizeof beside_path) return nullptr;
  std::memcpy(beside_path, folder, folder_length);
  std::memcpy(beside_path + folder_length, relative, name + 1);
  return dlopen(beside_path, RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

// A path with a slash is taken from the current directory, as the host's own loads are.
void* load_from_current_folder(const char* relative) {
  return dlopen(relative, RTLD_NOW | RTLD_LOCAL);
}

void* load_beside_module(const char* relative) {
  if (void* loaded = load_beside(loaded_by_folder, relative)) return loaded;
  // The real file's folder only when it is another folder than the one already tried.
  if (std::strcmp(real_file_folder, loaded_by_folder) == 0) return nullptr;
  return load_beside(real_file_folder, relative);
}

void release_as_module_unloads(void* library) {
  dlclose(library);
}

}  // namespace lookup_frame::platform
