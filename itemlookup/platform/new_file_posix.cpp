#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/new_file.hpp"

namespace itemlookup::platform {

std::filesystem::path create_new_file(const std::filesystem::path& stem, std::string& failure) {
  std::string pattern = stem.string() + "XXXXXX";
  const int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) {
    failure = std::strerror(errno);
    return {};
  }
  // mkstemp makes the file private; the database is ordinary data, readable as any file the
  // user creates.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  close(descriptor);
  return pattern;
}

}  // namespace itemlookup::platform
