// Called names bound on first use: a library loaded by path and entries found in it by name.
#pragma once

namespace lookup_frame {

// A library loaded once per life of the lookup module. A load that fails leaves the binding
// empty, so the next call tries again (the piece may have been put back meanwhile).
struct LibraryBinding {
  const char* path;
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
