// Windows: LoadLibraryExW and GetProcAddress; the driver manager is ODBC32.DLL.
// winsock2.h before windows.h, which would bring the older winsock.h.
#include <windows.h>
#include <winsock2.h>

#include "test_platform.hpp"

namespace test_platform {

void* load_library(const std::filesystem::path& path) {
  // The module's own dependencies come from its own folder, as a host loading it by path gets.
  return LoadLibraryExW(std::filesystem::absolute(path).c_str(), nullptr,
                        LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* find_entry(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unload_library(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

bool is_loaded(const std::filesystem::path& path) {
  return GetModuleHandleW(std::filesystem::absolute(path).c_str()) != nullptr;
}

std::string last_error() {
  const DWORD code = GetLastError();
  return code == 0 ? std::string() : "Windows error " + std::to_string(code);
}

bool read_silent_socket_until_cut(std::chrono::seconds bound) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  auto* const named = reinterpret_cast<sockaddr*>(&address);
  bool cut = false;
  // Never accepted: the connect completes from the listener's backlog, and nothing answers.
  if (listener != INVALID_SOCKET && client != INVALID_SOCKET &&
      bind(listener, named, sizeof address) == 0 && listen(listener, 1) == 0 &&
      getsockname(listener, named, &length) == 0 && connect(client, named, sizeof address) == 0) {
    WSAPOLLFD readable{client, POLLRDNORM, 0};
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(bound);
    char byte = 0;
    // The end of the stream, or a reset when the listener was shut down too: nothing answers.
    cut =
        WSAPoll(&readable, 1, static_cast<INT>(wait.count())) > 0 && recv(client, &byte, 1, 0) <= 0;
  }
  if (client != INVALID_SOCKET) closesocket(client);
  if (listener != INVALID_SOCKET) closesocket(listener);
  WSACleanup();
  return cut;
}

void* driver_manager_entry(const char* name) {
  HMODULE loaded = GetModuleHandleA("ODBC32.DLL");
  return loaded ? reinterpret_cast<void*>(GetProcAddress(loaded, name)) : nullptr;
}

}  // namespace test_platform
