// Loading a module as a host does and finding an entry in it: dlopen/dlsym on Linux,
// LoadLibraryExW/GetProcAddress on Windows.
#pragma once

#include <filesystem>
#include <string>

namespace itemlookup::platform {

// How a module's file name ends: "VELDORIN" + kLibrarySuffix.
extern const char kLibrarySuffix[];

// The loaded library, or nullptr; then last_library_failure() tells why.
void* load_library(const std::filesystem::path& file);
// The entry's address, or nullptr; then last_library_failure() tells why.
void* library_entry(void* library, const char* name);
void unload_library(void* library);
// The loader's reason for the last failure above, read right after it.
std::string last_library_failure();

}  // namespace itemlookup::platform
