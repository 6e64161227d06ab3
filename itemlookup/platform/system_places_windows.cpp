#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/system_places.hpp"

namespace itemlookup::platform {

namespace fs = std::filesystem;

const char kUserDataFolderWords[] = "%LOCALAPPDATA%";

fs::path executable_directory() {
  // A long path does not fit MAX_PATH: grow until the whole name fits.
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (size == 0) return fs::path();
    if (size < name.size()) {
      name.resize(size);
      return fs::path(name).parent_path();
    }
    name.resize(name.size() * 2);
  }
}

fs::path user_data_folder() {
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != L'\0') {
    return local;
  }
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  return error ? fs::path(".") : temporary;
}

}  // namespace itemlookup::platform
