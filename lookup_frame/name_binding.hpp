// Called names bound on first use: a library loaded by path and entries found in it by name.
#pragma once

#include <climits>

namespace lookup_frame {

// The places after the host's current directory where a host module is looked for: its relative
// path taken from the folder of the path the host loaded the lookup module by, then from the
// folder of the module's real file (symlinks resolved). Both folders are fixed, absolute, while
// the module is being loaded, when the current directory is still the one a relative load path
// meant; a host may change directory afterwards. A folder that is unknown, or a path longer than
// PATH_MAX, gives no place.
class PathBesideModule {
 public:
  enum class Place : unsigned char { loaded_by, real_file };

  // "<folder of the lookup module>/<relative>" for `place`, in a fixed buffer, or nullptr (also
  // when the real file's folder is the loaded-by folder, already tried).
  const char* for_relative(const char* relative, Place place);

 private:
  char path_[PATH_MAX] = {};
};

// A library loaded once per life of the lookup module. A load that fails leaves the binding
// empty, so the next call tries again (the piece may have been put back meanwhile).
struct LibraryBinding {
  const char* path;
  // Host modules only: tried when `path` does not load from the current directory.
  PathBesideModule* beside_module = nullptr;
  void* handle = nullptr;

  void* resolve();
  void release();
};

struct EntryBinding {
  LibraryBinding* library;
  const char* name;
  void* entry = nullptr;

  void* resolve();
  void release() { entry = nullptr; }
};

}  // namespace lookup_frame
