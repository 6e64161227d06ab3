// What differs between the systems a lookup module runs on: loading a library and finding an
// entry in it (system_library_<system>.cpp, shared with the message module), the module's own
// folder and how paths are spelt (platform_<system>.cpp). CMake chooses the files of the system
// built for: posix or windows. Nothing here allocates or throws.
#pragma once

namespace lookup_frame::platform {

// The libraries the frame loads, as the system names them: the ODBC driver manager, then the
// host's message module and numeric text converter relative to a folder.
extern const char kDriverManager[];
extern const char kMessageModule[];
extern const char kConverter[];

// A system library by its bare name, through the system's own search. Null when it does not load.
void* load_system_library(const char* name);

// A host module at `relative` under the process's current folder. Null when it does not load.
void* load_from_current_folder(const char* relative);

// A host module at `relative` beside the lookup module's own file: each folder the system knows
// the module by, in turn. Null when none loads.
void* load_beside_module(const char* relative);

// The address of `name` in a loaded library, or null.
void* find_entry(void* library, const char* name);

void unload(void* library);

// What the lookup module loaded, given back as the lookup module itself unloads.
void release_as_module_unloads(void* library);

}  // namespace lookup_frame::platform
