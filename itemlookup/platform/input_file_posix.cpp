#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/input_file.hpp"

namespace itemlookup::platform {

int open_input_file(const std::string& name, std::string& failure) {
  const int descriptor = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    failure = std::strerror(errno);
    return -1;
  }
  struct stat status {};
  if (fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    close(descriptor);
    failure = "it is a folder";
    return -1;
  }
  return descriptor;
}

void close_input_file(int descriptor) {
  close(descriptor);
}

long read_input(int descriptor, char* buffer, std::size_t size) {
  return read(descriptor, buffer, size);
}

bool read_would_wait(int descriptor) {
  pollfd ready{.fd = descriptor, .events = POLLIN, .revents = 0};
  const int answer = poll(&ready, 1, 0);
  // A signal (the wait bound's timer) came first: it may wait, so what was answered goes out
  // before, rather than staying behind a read that blocks.
  return answer == 0 || (answer < 0 && errno == EINTR);
}

}  // namespace itemlookup::platform
