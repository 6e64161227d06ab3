#include "platform/windows_error.hpp"

#include <windows.h>

namespace itemlookup::platform {

std::string windows_error_text(unsigned long code) {
  char* text = nullptr;
  const DWORD size = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = size > 0 ? std::string(text, size) : std::string();
  LocalFree(text);
  // The system ends its messages with a full stop and CRLF; a report goes on after them.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace itemlookup::platform
