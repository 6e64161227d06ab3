#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/system_places.hpp"

namespace itemlookup::platform {

namespace fs = std::filesystem;

const char kUserDataFolderWords[] = "${XDG_DATA_HOME:-~/.local/share}";

fs::path executable_directory() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : executable.parent_path();
}

fs::path user_data_folder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return fs::path(home) / ".local/share";
  }
  if (const passwd* user = getpwuid(getuid()); user != nullptr) {
    return fs::path(user->pw_dir) / ".local/share";
  }
  return fs::temp_directory_path();
}

}  // namespace itemlookup::platform
