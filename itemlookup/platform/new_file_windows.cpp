#include <windows.h>

#include "platform/new_file.hpp"
#include "platform/windows_error.hpp"

namespace itemlookup::platform {

std::filesystem::path create_new_file(const std::filesystem::path& stem, std::string& failure) {
  // CREATE_NEW fails on a name that is taken: try the next until one is free.
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  unsigned long long seed = GetTickCount64() * 0x9e3779b97f4a7c15ull ^ GetCurrentProcessId();
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0;
       attempt < 100 && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS); ++attempt) {
    std::wstring name = stem.wstring();
    unsigned long long value = seed + static_cast<unsigned long long>(attempt) * 7919u;
    for (int i = 0; i < 6; ++i, value /= 36) name += static_cast<wchar_t>(kDigits[value % 36]);
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return name;
    }
    error = GetLastError();
  }
  failure = windows_error_text(error);
  return {};
}

}  // namespace itemlookup::platform
