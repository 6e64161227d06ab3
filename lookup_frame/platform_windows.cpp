// Windows: the host modules by absolute path, and the lookup module's folder from the loader.
// Paths are wide, so folders with names outside ASCII and paths longer than MAX_PATH load too.
#include <windows.h>

#include <cstring>
#include <cwchar>

#include "platform.hpp"

namespace lookup_frame::platform {

const char kMessageModule[] = "PGMS\\SOLVAKE.DLL";
const char kConverter[] = "PGMS\\TARNIVEL.DLL";

namespace {

// The longest path the wide functions take, in characters with the terminator.
constexpr DWORD kLongestPath = 32768;
// Where paths of MAX_PATH or more need the prefix that lifts the limit.
constexpr wchar_t kLongPathPrefix[] = L"\\\\?\\";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";

// The folder of the lookup module's own file, absolute and with its final backslash; empty when
// unknown. Written once, while the module is being loaded.
wchar_t own_folder[kLongestPath];
// The path of one load at a time: calls into one module do not overlap.
wchar_t load_path[kLongestPath];

// Runs at DLL_PROCESS_ATTACH, under the loader lock: asks the loader for this module's file
// name and loads nothing. The host may change its current folder later.
__attribute__((constructor)) void fix_own_folder() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&fix_own_folder), &self)) {
    return;
  }
  const DWORD length = GetModuleFileNameW(self, own_folder, kLongestPath);
  // A name cut to fit the buffer is no name; so is one without a folder.
  if (length == 0 || length >= kLongestPath) {
    own_folder[0] = L'\0';
    return;
  }
  wchar_t* last_separator = std::wcsrchr(own_folder, L'\\');
  if (last_separator == nullptr) {
    own_folder[0] = L'\0';
    return;
  }
  last_separator[1] = L'\0';
}

// Writes the long path prefix `load_path` needs for the absolute `folder`, or nothing when the
// whole path is short or the folder already has it; returns the characters written.
std::size_t write_prefix(const wchar_t* folder, std::size_t total) {
  if (total < MAX_PATH || std::wcsncmp(folder, kLongPathPrefix, 4) == 0) return 0;
  if (folder[0] == L'\\' && folder[1] == L'\\') {
    std::wcscpy(load_path, kLongUncPrefix);
    return std::wcslen(kLongUncPrefix);
  }
  std::wcscpy(load_path, kLongPathPrefix);
  return std::wcslen(kLongPathPrefix);
}

// Loads "<folder><relative>" with the library's own folder first in the search for its own
// dependencies. `folder` is absolute and ends with a separator; `relative` is ASCII.
void* load_from(const wchar_t* folder, const char* relative) {
  const std::size_t folder_length = std::wcslen(folder);
  const std::size_t name_length = std::strlen(relative);
  const std::size_t total = folder_length + name_length;
  std::size_t at = write_prefix(folder, total);
  // A UNC folder "\\server\share\" loses its two backslashes after the UNC prefix.
  const wchar_t* from = folder;
  if (at == std::wcslen(kLongUncPrefix)) from += 2;
  const std::size_t from_length = std::wcslen(from);
  if (at + from_length + name_length >= kLongestPath) return nullptr;
  std::wmemcpy(load_path + at, from, from_length);
  at += from_length;
  for (std::size_t i = 0; i <= name_length; ++i) {
    load_path[at + i] = static_cast<unsigned char>(relative[i]);
  }
  return LoadLibraryExW(load_path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

// Made absolute here: a relative path given to the loader would be searched for in the host
// program's folder and the system folders before the current one.
void* load_from_current_folder(const char* relative) {
  static wchar_t current_folder[kLongestPath];
  const DWORD length = GetCurrentDirectoryW(kLongestPath - 1, current_folder);
  if (length == 0 || length >= kLongestPath - 1) return nullptr;
  if (current_folder[length - 1] != L'\\') {
    current_folder[length] = L'\\';
    current_folder[length + 1] = L'\0';
  }
  return load_from(current_folder, relative);
}

void* load_beside_module(const char* relative) {
  if (own_folder[0] == L'\0') return nullptr;
  return load_from(own_folder, relative);
}

// Runs at DLL_PROCESS_DETACH, under the loader lock, where FreeLibrary must not be called: what
// the module loaded stays until the process ends.
void release_as_module_unloads(void*) {}

}  // namespace lookup_frame::platform
