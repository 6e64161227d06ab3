// Where the host finds the modules and the database scripts: the build tree when it runs from
// there, the installation it belongs to otherwise.
#pragma once

#include <filesystem>

namespace itemlookup {

std::filesystem::path default_module_directory();
std::filesystem::path database_script_directory();

// ${XDG_DATA_HOME:-$HOME/.local/share}/item-lookup/demo.db on Linux,
// %LOCALAPPDATA%\item-lookup\demo.db on Windows
std::filesystem::path default_demo_database();

}  // namespace itemlookup
