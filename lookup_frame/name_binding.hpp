// Called names bound on first use: a library loaded by path and entries found in it by name.
#pragma once

#include <climits>

namespace lookup_frame {

// The second place a host module is looked for: its relative path taken from the folder of the
// lookup module's own file, so that a host loading the module by path gets the host modules
// installed beside it whatever its current directory. Built once, into a fixed buffer; a module
// file name without a folder, or a path longer than PATH_MAX, gives no second place.
class PathBesideModule {
 public:
  // "<folder of the lookup module>/<relative>", or nullptr. `relative` is the same on every call.
  const char* for_relative(const char* relative);

 private:
  enum class State : unsigned char { unbuilt, built, none };
  State state_ = State::unbuilt;
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
