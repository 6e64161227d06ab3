#include "batch/batch_input.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "command/command_error.hpp"

namespace itemlookup {

namespace {

constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

}  // namespace

BatchInput::BatchInput(std::string_view path) : name_(path.empty() ? "-" : path) {
  if (name_ == "-") {
    name_ = "standard input";
    return;
  }
  if (name_.find('\0') != std::string::npos) throw CommandError("batch file name holds a NUL");
  descriptor_ = open(name_.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor_ < 0) {
    throw CommandError("cannot read batch file " + name_ + ": " + std::strerror(errno));
  }
  owned_ = true;
  struct stat status {};
  if (fstat(descriptor_, &status) == 0 && S_ISDIR(status.st_mode)) {
    close(descriptor_);
    owned_ = false;
    throw CommandError("cannot read batch file " + name_ + ": it is a folder");
  }
}

BatchInput::~BatchInput() {
  if (owned_) close(descriptor_);
}

bool BatchInput::interactive() const {
  return !owned_ && isatty(STDIN_FILENO) == 1;
}

bool BatchInput::fill() {
  begin_ = 0;
  end_ = 0;
  return read_more();
}

bool BatchInput::read_more() {
  if (before_waiting_) {
    pollfd ready{.fd = descriptor_, .events = POLLIN, .revents = 0};
    if (poll(&ready, 1, 0) == 0) before_waiting_();
  }
  for (;;) {
    const ssize_t got = read(descriptor_, buffer_ + end_, sizeof buffer_ - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
      return true;
    }
    if (got == 0) {
      at_end_ = true;
      return false;
    }
    if (errno != EINTR) {
      throw CommandError("cannot read " + name_ + ": " + std::strerror(errno));
    }
  }
}

void BatchInput::skip_byte_order_mark() {
  // A pipe may hand the mark over in pieces: read on while what came so far could still be one.
  const auto held = [this] { return std::string_view(buffer_ + begin_, end_ - begin_); };
  while (held().size() < kByteOrderMark.size() && kByteOrderMark.starts_with(held()) &&
         read_more()) {
  }
  if (held().starts_with(kByteOrderMark)) begin_ += kByteOrderMark.size();
}

bool BatchInput::next(InputLine& line) {
  line.text.clear();
  line.length = 0;
  line.has_nul = false;
  bool any = false;
  for (;;) {
    if (begin_ == end_) {
      if (at_end_ || !fill()) {
        at_end_ = true;
        return any;
      }
    }
    if (at_start_) {
      // Spreadsheet exports start with a byte order mark; it is not part of the first lookup.
      at_start_ = false;
      skip_byte_order_mark();
      if (begin_ == end_) continue;
    }
    any = true;
    const char* start = buffer_ + begin_;
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
    const std::size_t size =
        newline != nullptr ? static_cast<std::size_t>(newline - start) : end_ - begin_;
    if (std::memchr(start, '\0', size) != nullptr) line.has_nul = true;
    if (line.text.size() < kMostLineBytes) {
      line.text.append(start, std::min(size, kMostLineBytes - line.text.size()));
    }
    line.length += size;
    begin_ += size;
    if (newline != nullptr) {
      ++begin_;
      return true;
    }
  }
}

}  // namespace itemlookup
