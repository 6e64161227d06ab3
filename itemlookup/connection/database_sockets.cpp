#include "connection/database_sockets.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace itemlookup {

namespace {

// Descriptors from this number on are neither noted nor cut.
constexpr int kTracked = 65536;
// A driver opens a handful of descriptors while it connects; they take the lowest free numbers,
// so none lies further than this past the highest open before.
constexpr int kOpenedWhileConnecting = 64;
constexpr std::size_t kMostRecorded = 16;

// Written only while no connect is under way; read by the signal handler only during one.
std::array<std::uint64_t, kTracked / 64> open_before{};
std::atomic<int> connect_scan_end{0};
std::atomic<bool> connecting{false};
// A connection's socket: its descriptor + 1 (0: a free slot), and its inode, so that a number
// the driver closed and something else reused is not taken for it.
struct Recorded {
  std::atomic<int> descriptor_plus_one{0};
  std::atomic<ino_t> inode{0};
};
std::array<Recorded, kMostRecorded> recorded{};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free &&
                  std::atomic<ino_t>::is_always_lock_free,
              "read in a signal handler");

bool noted_before(int descriptor) {
  return descriptor >= kTracked ||
         (open_before[static_cast<std::size_t>(descriptor) / 64] >> (descriptor % 64) & 1U) != 0;
}

// The socket's inode; 0 when the descriptor is no socket.
ino_t socket_inode(int descriptor) {
  struct stat status {};
  return fstat(descriptor, &status) == 0 && S_ISSOCK(status.st_mode) ? status.st_ino : 0;
}

int cut(int descriptor) {
  return shutdown(descriptor, SHUT_RDWR) == 0 ? 1 : 0;
}

// The descriptor of a slot, while it still is the socket recorded; -1 otherwise.
int still_open(const Recorded& slot) {
  const int descriptor = slot.descriptor_plus_one - 1;
  return descriptor >= 0 && socket_inode(descriptor) == slot.inode ? descriptor : -1;
}

bool is_recorded(int descriptor) {
  return std::any_of(recorded.begin(), recorded.end(),
                     [descriptor](const Recorded& slot) { return still_open(slot) == descriptor; });
}

// A recorded socket the driver has closed since is no longer the connection's.
void forget_closed() {
  for (Recorded& slot : recorded) {
    if (still_open(slot) < 0) slot.descriptor_plus_one = 0;
  }
}

void record(int descriptor, ino_t inode) {
  for (Recorded& slot : recorded) {
    if (slot.descriptor_plus_one != 0) continue;
    slot.inode = inode;
    slot.descriptor_plus_one = descriptor + 1;
    return;
  }
}

template <typename Visit>
void for_each_open_descriptor(Visit visit) {
  if (DIR* descriptors = opendir("/proc/self/fd")) {
    while (const dirent* entry = readdir(descriptors)) {
      if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
      const int descriptor = std::atoi(entry->d_name);
      if (descriptor != dirfd(descriptors)) visit(descriptor);
    }
    closedir(descriptors);
    return;
  }
  for (int descriptor = 0; descriptor < kTracked; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1) visit(descriptor);
  }
}

}  // namespace

ConnectingSockets::ConnectingSockets() {
  forget_closed();
  open_before.fill(0);
  int highest = -1;
  for_each_open_descriptor([&highest](int descriptor) {
    if (descriptor < kTracked) {
      open_before[static_cast<std::size_t>(descriptor) / 64] |= std::uint64_t{1}
                                                                << (descriptor % 64);
    }
    highest = std::max(highest, descriptor);
  });
  connect_scan_end = std::min(highest + 1 + kOpenedWhileConnecting, kTracked);
  connecting = true;
}

ConnectingSockets::~ConnectingSockets() {
  forget_closed();
  for_each_open_descriptor([](int descriptor) {
    const ino_t inode = socket_inode(descriptor);
    if (!noted_before(descriptor) && inode != 0 && !is_recorded(descriptor)) {
      record(descriptor, inode);
    }
  });
  // Only once recorded: a cut meanwhile still reaches every new socket.
  connecting = false;
}

int cut_database_sockets() {
  int count = 0;
  for (const Recorded& slot : recorded) {
    if (const int descriptor = still_open(slot); descriptor >= 0) count += cut(descriptor);
  }
  if (connecting) {
    const int end = connect_scan_end;
    for (int descriptor = 0; descriptor < end; ++descriptor) {
      if (!noted_before(descriptor) && !is_recorded(descriptor) && socket_inode(descriptor) != 0) {
        count += cut(descriptor);
      }
    }
  }
  return count;
}

}  // namespace itemlookup
