#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/standard_streams.hpp"

namespace itemlookup::platform {

namespace {

HANDLE handle(StandardStream stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(stream)));
}

}  // namespace

void prepare_standard_streams() {
  // Text mode would write CRLF for every line end and stop reading at a Ctrl-Z.
  _setmode(static_cast<int>(StandardStream::input), _O_BINARY);
  _setmode(static_cast<int>(StandardStream::output), _O_BINARY);
  // The progress line clears itself with "ESC [ K", which a console only reads as such when
  // asked to; an older console that cannot simply shows the progress less tidily.
  const HANDLE error = handle(StandardStream::error);
  DWORD mode = 0;
  if (GetConsoleMode(error, &mode) != 0) {
    SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

bool is_terminal(StandardStream stream) {
  // _isatty also holds for the NUL device; only a console answers GetConsoleMode.
  DWORD mode = 0;
  return GetConsoleMode(handle(stream), &mode) != 0;
}

bool same_terminal(StandardStream first, StandardStream second) {
  // A process has at most one console.
  return is_terminal(first) && is_terminal(second);
}

}  // namespace itemlookup::platform
