// What differs between the systems the double's test processes run on: loading a lookup module
// by its path, finding its entry, telling whether it left the process, and reaching the driver
// manager the process already holds. One file per system (test_platform_<system>.cpp), chosen by
// CMake.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace test_platform {

// The module at `path`, loaded with every reference bound now and its names kept to itself.
// Null when it does not load; last_error() then says why.
void* load_library(const std::filesystem::path& path);
void* find_entry(void* library, const char* name);
void unload_library(void* library);
// Whether the module at `path` is still in the process.
bool is_loaded(const std::filesystem::path& path);
// The system's words for the last failed load or lookup; empty when it has none.
std::string last_error();

// Opens a socket to a listener of its own that never answers, and reads it until the socket is
// shut down (true), or until `bound` passes or the socket cannot be opened (false).
bool read_silent_socket_until_cut(std::chrono::seconds bound);

// The address of `name` in the driver manager the lookup modules would reach in this process,
// or null when none is loaded.
void* driver_manager_entry(const char* name);

}  // namespace test_platform
