// Called names bound on first use: a library loaded by name and entries found in it by name.
#pragma once

namespace lookup_frame {

// Where a library is looked for.
enum class Source : unsigned char {
  system,       // the system's search for a bare name (the driver manager)
  host_module,  // a relative path under the current folder, failing that beside the module
};

// A library loaded once per life of the lookup module. A load that fails leaves the binding
// empty, so the next call tries again (the piece may have been put back meanwhile).
struct LibraryBinding {
  const char* path;
  Source source = Source::system;
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
