#include "lookup_watchdog.hpp"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>

namespace itemlookup {

void cut_network_connections() {
  DIR* descriptors = opendir("/proc/self/fd");
  if (descriptors == nullptr) return;
  while (const dirent* entry = readdir(descriptors)) {
    const int descriptor = std::atoi(entry->d_name);
    if (descriptor <= 2 || descriptor == dirfd(descriptors)) continue;
    struct stat status {};
    int type = 0;
    socklen_t length = sizeof type;
    if (fstat(descriptor, &status) == 0 && S_ISSOCK(status.st_mode) &&
        getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM) {
      shutdown(descriptor, SHUT_RDWR);
    }
  }
  closedir(descriptors);
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

void LookupWatchdog::arm() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    deadline_ = std::chrono::steady_clock::now() + limit_;
    fired_ = false;
  }
  changed_.notify_one();
}

bool LookupWatchdog::disarm() {
  if (!thread_.joinable()) return false;
  std::lock_guard lock(mutex_);
  deadline_.reset();
  return fired_;
}

void LookupWatchdog::watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!deadline_) {
      changed_.wait(lock);
    } else if (changed_.wait_until(lock, *deadline_) == std::cv_status::timeout && deadline_ &&
               std::chrono::steady_clock::now() >= *deadline_) {
      // Once per wait: the lookup that was waiting now fails and is retried, or ends.
      deadline_.reset();
      fired_ = true;
      cut_network_connections();
    }
  }
}

}  // namespace itemlookup
