// POSIX: dlopen and dlsym; the driver manager is libodbc.so.2.
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "test_platform.hpp"

namespace test_platform {

void* load_library(const std::filesystem::path& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* find_entry(void* library, const char* name) {
  return dlsym(library, name);
}

void unload_library(void* library) {
  dlclose(library);
}

bool is_loaded(const std::filesystem::path& path) {
  void* still_loaded = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (still_loaded == nullptr) return false;
  dlclose(still_loaded);
  return true;
}

std::string last_error() {
  const char* detail = dlerror();
  return detail ? detail : "";
}

bool read_silent_socket_until_cut(std::chrono::seconds bound) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  auto* const named = reinterpret_cast<sockaddr*>(&address);
  bool cut = false;
  // Never accepted: the connect completes from the listener's backlog, and nothing answers.
  if (listener >= 0 && client >= 0 && bind(listener, named, sizeof address) == 0 &&
      listen(listener, 1) == 0 && getsockname(listener, named, &length) == 0 &&
      connect(client, named, sizeof address) == 0) {
    const auto until = std::chrono::steady_clock::now() + bound;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd readable{client, POLLIN, 0};
      const int ready = poll(&readable, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;  // a timer signal, as the wait bound's
      // The end of the stream, or a reset when the listener was shut down too: nothing answers.
      char byte = 0;
      cut = ready > 0 && recv(client, &byte, 1, MSG_DONTWAIT) <= 0;
      break;
    }
  }
  if (client >= 0) close(client);
  if (listener >= 0) close(listener);
  return cut;
}

void* driver_manager_entry(const char* name) {
  void* loaded = dlopen("libodbc.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (loaded == nullptr) return nullptr;
  void* entry = dlsym(loaded, name);
  dlclose(loaded);
  return entry;
}

}  // namespace test_platform
