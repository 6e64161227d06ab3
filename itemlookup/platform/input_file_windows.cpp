#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "platform/input_file.hpp"

namespace itemlookup::platform {

int open_input_file(const std::string& name, std::string& failure) {
  // Windows refuses to open a folder with a bare "permission denied"; say what it is.
  std::error_code ignored;
  if (std::filesystem::is_directory(name, ignored)) {
    failure = "it is a folder";
    return -1;
  }
  const int descriptor = _open(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (descriptor < 0) failure = std::strerror(errno);
  return descriptor;
}

void close_input_file(int descriptor) {
  _close(descriptor);
}

long read_input(int descriptor, char* buffer, std::size_t size) {
  return _read(descriptor, buffer, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
}

bool read_would_wait(int descriptor) {
  const HANDLE input = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  // Where it cannot tell, it says the read would wait: a flush too many costs one write, one too
  // few keeps the answers from a host that waits for them before it writes its next line.
  switch (GetFileType(input)) {
    case FILE_TYPE_DISK:  // a file on disk has all its bytes
      return false;
    case FILE_TYPE_PIPE: {
      // A pipe that cannot be asked: its writer has gone (the read then ends at once), or it is
      // one Wine hands over from the system beneath.
      DWORD available = 0;
      return PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) == 0 || available == 0;
    }
    case FILE_TYPE_CHAR: {
      // A console waits for a typed line; the NUL device never waits.
      DWORD mode = 0;
      return GetConsoleMode(input, &mode) != 0;
    }
    default:
      return true;
  }
}

}  // namespace itemlookup::platform
