#include "batch/batch_input.hpp"

#include <cerrno>
#include <cstring>

#include "errors_and_text/cannot_run.hpp"
#include "platform/input_file.hpp"
#include "platform/standard_streams.hpp"

namespace itemlookup {

namespace {

constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

// A Windows line ends in CRLF: the '\r' is part of the line end, not of the lookup.
void drop_carriage_return(InputLine& line) {
  if (line.text.size() == line.length) line.text.pop_back();
  --line.length;
}

}  // namespace

BatchInput::BatchInput(std::string_view path) : name_(path.empty() ? "-" : path) {
  if (name_ == "-") {
    name_ = "standard input";
    return;
  }
  if (name_.find('\0') != std::string::npos) throw CannotRun("batch file name holds a NUL");
  std::string failure;
  descriptor_ = platform::open_input_file(name_, failure);
  if (descriptor_ < 0) throw CannotRun("cannot read batch file " + name_ + ": " + failure);
  owned_ = true;
}

BatchInput::~BatchInput() {
  if (owned_) platform::close_input_file(descriptor_);
}

bool BatchInput::interactive() const {
  return !owned_ && platform::is_terminal(platform::StandardStream::input);
}

bool BatchInput::fill() {
  begin_ = 0;
  end_ = 0;
  return read_more();
}

bool BatchInput::read_more() {
  if (before_waiting_ && platform::read_would_wait(descriptor_)) before_waiting_();
  for (;;) {
    const long got = platform::read_input(descriptor_, buffer_ + end_, sizeof buffer_ - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
      return true;
    }
    if (got == 0) {
      at_end_ = true;
      return false;
    }
    if (errno != EINTR) {
      throw CannotRun("cannot read " + name_ + ": " + std::strerror(errno));
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
  bool ends_in_return = false;  // the line so far ends in '\r', however the reads split it
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
    if (size > 0) ends_in_return = start[size - 1] == '\r';
    if (newline != nullptr) {
      ++begin_;
      if (ends_in_return) drop_carriage_return(line);
      return true;
    }
  }
}

}  // namespace itemlookup
