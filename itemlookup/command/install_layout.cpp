#include "command/install_layout.hpp"

#include "build_layout.hpp"
#include "platform/system_places.hpp"

namespace itemlookup {

namespace {

namespace fs = std::filesystem;

bool running_from_build_tree() {
  std::error_code error;
  return fs::equivalent(platform::executable_directory(), build_layout::kBinaryDirectory, error);
}

// The installation prefix: the executable's directory less the install bin directory, or the
// configured prefix when the executable sits elsewhere.
fs::path install_prefix() {
  fs::path directory = platform::executable_directory();
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
  return platform::user_data_folder() / "item-lookup" / "demo.db";
}

}  // namespace itemlookup
