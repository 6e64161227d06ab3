#include "connection/database_sockets.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace itemlookup {

namespace {

// Without /proc, descriptors from this number on are neither spared nor cut.
constexpr int kMostScanned = 65536;

// A socket open when the bound began: its descriptor, and its inode, so that a number the
// process closed and a driver's new socket reused is not taken for it.
struct Spared {
  int descriptor;
  ino_t inode;
};

// Written only while `noted` is false; read by the signal handler only while it is true.
std::vector<Spared> spared;
std::atomic<bool> noted{false};
std::atomic<int> scan_end{0};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "read in a signal handler");

// The socket's inode; 0 when the descriptor is no socket.
ino_t socket_inode(int descriptor) {
  struct stat status {};
  return fstat(descriptor, &status) == 0 && S_ISSOCK(status.st_mode) ? status.st_ino : 0;
}

// The number an entry of /proc/self/fd names; -1 for "." and "..".
int descriptor_named(const char* name) {
  if (*name < '0' || *name > '9') return -1;
  int descriptor = 0;
  for (; *name >= '0' && *name <= '9'; ++name) descriptor = descriptor * 10 + (*name - '0');
  return descriptor;
}

// Visits every open descriptor. Async-signal-safe: open, getdents64 and close on /proc/self/fd
// (a listing of a handful of entries, whatever the descriptor limit); without /proc, fcntl on
// every number up to the limit.
template <typename Visit>
void for_each_open_descriptor(Visit visit) {
  const int listing = open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing >= 0) {
    alignas(dirent64) char entries[4096];
    for (long got; (got = syscall(SYS_getdents64, listing, entries, sizeof entries)) > 0;) {
      for (long at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
        at += entry->d_reclen;
        const int descriptor = descriptor_named(entry->d_name);
        if (descriptor >= 0 && descriptor != listing) visit(descriptor);
      }
    }
    close(listing);
    return;
  }
  const int end = scan_end;
  for (int descriptor = 0; descriptor < end; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1) visit(descriptor);
  }
}

bool is_spared(int descriptor, ino_t inode) {
  return std::any_of(spared.begin(), spared.end(), [=](const Spared& socket) {
    return socket.descriptor == descriptor && socket.inode == inode;
  });
}

}  // namespace

void spare_sockets_open_now() {
  noted = false;
  rlimit limit{};
  scan_end = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < rlim_t{kMostScanned}
                 ? static_cast<int>(limit.rlim_cur)
                 : kMostScanned;
  spared.clear();
  for_each_open_descriptor([](int descriptor) {
    if (const ino_t inode = socket_inode(descriptor); inode != 0) {
      spared.push_back({descriptor, inode});
    }
  });
  noted = true;
}

int cut_database_sockets() {
  if (!noted) return 0;
  int count = 0;
  for_each_open_descriptor([&count](int descriptor) {
    if (descriptor <= STDERR_FILENO) return;
    const ino_t inode = socket_inode(descriptor);
    if (inode != 0 && !is_spared(descriptor, inode) && shutdown(descriptor, SHUT_RDWR) == 0) {
      ++count;
    }
  });
  return count;
}

}  // namespace itemlookup
