#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/standard_streams.hpp"

namespace itemlookup::platform {

namespace {

int descriptor(StandardStream stream) {
  return static_cast<int>(stream);
}

}  // namespace

// Each of standard input, output and error that the process started without gets a stand-in on
// /dev/null, opened for the other direction: reading or writing it still fails as on a closed
// descriptor, but a database socket can no longer take its number and receive the output (nor
// be spared by the wait bound, which never cuts a standard stream).
void prepare_standard_streams() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = open("/dev/null", (descriptor == 0 ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
    if (held >= 0 && held != descriptor) {
      dup3(held, descriptor, O_CLOEXEC);
      close(held);
    }
  }
}

bool is_terminal(StandardStream stream) {
  return isatty(descriptor(stream)) == 1;
}

bool same_terminal(StandardStream first, StandardStream second) {
  struct stat a {};
  struct stat b {};
  return is_terminal(first) && is_terminal(second) && fstat(descriptor(first), &a) == 0 &&
         fstat(descriptor(second), &b) == 0 && a.st_rdev == b.st_rdev;
}

}  // namespace itemlookup::platform
