#include <sys/stat.h>
#include <unistd.h>

#include "platform/standard_streams.hpp"

namespace itemlookup::platform {

namespace {

int descriptor(StandardStream stream) {
  return static_cast<int>(stream);
}

}  // namespace

void prepare_standard_streams() {}

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
