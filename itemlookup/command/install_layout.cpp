#include "command/install_layout.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "build_layout.hpp"

namespace itemlookup {

namespace {

namespace fs = std::filesystem;

fs::path executable_directory() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : executable.parent_path();
}

bool running_from_build_tree() {
  std::error_code error;
  return fs::equivalent(executable_directory(), build_layout::kBinaryDirectory, error);
}

// The installation prefix: the executable's directory less the install bin directory, or the
// configured prefix when the executable sits elsewhere.
fs::path install_prefix() {
  fs::path directory = executable_directory();
  const fs::path bin = build_layout::kInstallBinDirectory;
  if (!directory.empty() && bin.is_relative()) {
    for (auto part = bin.begin(); part != bin.end(); ++part) directory = directory.parent_path();
    return directory;
  }
  return build_layout::kInstallPrefix;
}

fs::path installed(const char* relative) {
  const fs::path path = relative;
  return path.is_absolute() ? path : install_prefix() / path;
}

}  // namespace

fs::path default_module_directory() {
  return running_from_build_tree() ? fs::path(build_layout::kModuleDirectory)
                                   : installed(build_layout::kInstallModuleDirectory);
}

fs::path database_script_directory() {
  return running_from_build_tree() ? fs::path(build_layout::kSourceDatabaseDirectory)
                                   : installed(build_layout::kInstallDatabaseDirectory);
}

fs::path default_demo_database() {
  fs::path data_home;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
    data_home = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    data_home = fs::path(home) / ".local/share";
  } else if (const passwd* user = getpwuid(getuid()); user != nullptr) {
    data_home = fs::path(user->pw_dir) / ".local/share";
  } else {
    data_home = fs::temp_directory_path();
  }
  return data_home / "item-lookup" / "demo.db";
}

}  // namespace itemlookup
