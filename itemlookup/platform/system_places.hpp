// The places a host finds on its own: the folder of its executable, where the modules of an
// installation sit relative to it, and the user's folder for data the host keeps.
#pragma once

#include <filesystem>

namespace itemlookup::platform {

// Empty when the system does not say.
std::filesystem::path executable_directory();

// ${XDG_DATA_HOME:-$HOME/.local/share} on Linux, %LOCALAPPDATA% on Windows; the temporary
// folder when neither can be found.
std::filesystem::path user_data_folder();

// How the help names user_data_folder().
extern const char kUserDataFolderWords[];

}  // namespace itemlookup::platform
