#include "report/output_sink.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "errors_and_text/cannot_run.hpp"
#include "platform/standard_streams.hpp"

namespace itemlookup {

namespace {

[[noreturn]] void output_failed() {
  const int error = errno;
  std::clearerr(stdout);
  throw CannotRun(std::string("cannot write the output: ") +
                  (error != 0 ? std::strerror(error) : "write failed"));
}

}  // namespace

void buffer_output() {
  static char buffer[64 * 1024];
  if (!platform::is_terminal(platform::StandardStream::output))
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

void write_output(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) output_failed();
}

void flush_output() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) output_failed();
}

}  // namespace itemlookup
