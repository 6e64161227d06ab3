#include "connection/lookup_watchdog.hpp"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace itemlookup {

int cut_network_connections() {
  int cut = 0;
  DIR* descriptors = opendir("/proc/self/fd");
  if (descriptors == nullptr) return cut;
  while (const dirent* entry = readdir(descriptors)) {
    const int descriptor = std::atoi(entry->d_name);
    if (descriptor <= 2 || descriptor == dirfd(descriptors)) continue;
    struct stat status {};
    int type = 0;
    socklen_t length = sizeof type;
    if (fstat(descriptor, &status) == 0 && S_ISSOCK(status.st_mode) &&
        getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM) {
      if (shutdown(descriptor, SHUT_RDWR) == 0) ++cut;
    }
  }
  closedir(descriptors);
  return cut;
}

LookupWatchdog::LookupWatchdog(std::chrono::seconds limit) : limit_(limit) {
  if (limit_.count() > 0) thread_ = std::thread([this] { watch(); });
}

LookupWatchdog::~LookupWatchdog() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  thread_.join();
}

// A lookup takes microseconds: arming wakes no one. The watchdog looks on its own, every
// quarter of the limit and at least every second.
void LookupWatchdog::arm() {
  if (!thread_.joinable()) return;
  std::lock_guard lock(mutex_);
  deadline_ = std::chrono::steady_clock::now() + limit_;
  fired_ = false;
}

bool LookupWatchdog::disarm() {
  if (!thread_.joinable()) return false;
  std::lock_guard lock(mutex_);
  deadline_.reset();
  return fired_;
}

void LookupWatchdog::watch() {
  const std::chrono::milliseconds look_every =
      std::min<std::chrono::milliseconds>(limit_ / 4, std::chrono::seconds(1));
  std::unique_lock lock(mutex_);
  while (!changed_.wait_for(lock, look_every, [this] { return stopping_; })) {
    if (deadline_ && std::chrono::steady_clock::now() >= *deadline_) {
      // Once per wait: the lookup that was waiting now fails and is retried, or ends.
      deadline_.reset();
      fired_ = cut_network_connections() > 0;
    }
  }
}

}  // namespace itemlookup
