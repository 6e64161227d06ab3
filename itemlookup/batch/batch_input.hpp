// The lines of a batch, read with bounded memory from a file or standard input: a byte order
// mark at the start is skipped, a line is kept up to kMostLineBytes and only measured beyond.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace itemlookup {

inline constexpr std::size_t kMostLineBytes = 64 * 1024;

struct InputLine {
  std::string text;        // at most kMostLineBytes, without the line end (LF or CRLF)
  std::size_t length = 0;  // the whole line's length in bytes
  bool has_nul = false;

  bool too_long() const { return length > kMostLineBytes; }
};

class BatchInput {
 public:
  // "-" (or nothing) is standard input. Throws CannotRun naming the reason when `path` is a
  // folder or cannot be read.
  explicit BatchInput(std::string_view path);
  ~BatchInput();
  BatchInput(const BatchInput&) = delete;
  BatchInput& operator=(const BatchInput&) = delete;

  // The next line; false at the end. Throws CannotRun when reading fails.
  bool next(InputLine& line);
  // Someone types the lines: standard input is a terminal.
  bool interactive() const;
  // Runs `action` whenever the next read would wait for more input: a batch fed through a pipe
  // that stays open hands over what it answered before waiting, while input that is all there
  // (a file, a full pipe) reads on without it.
  void before_waiting(std::function<void()> action) { before_waiting_ = std::move(action); }

 private:
  // Refills the buffer from its start; false at the end of the input.
  bool fill();
  // Reads on behind what the buffer holds; false (and at the end) when nothing more comes.
  bool read_more();
  // Drops the byte order mark from the first three bytes of the input, however they arrive.
  void skip_byte_order_mark();

  std::string name_;
  std::function<void()> before_waiting_;
  int descriptor_ = 0;
  bool owned_ = false;
  bool at_start_ = true;
  bool at_end_ = false;
  char buffer_[16 * 1024];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace itemlookup
