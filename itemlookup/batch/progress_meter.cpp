#include "batch/progress_meter.hpp"

#include <cstdio>
#include <string>

#include "platform/standard_streams.hpp"

namespace itemlookup {

namespace {

constexpr std::size_t kLongRunLines = 1000;
constexpr auto kLongRunTime = std::chrono::seconds(2);
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

}  // namespace

std::string counted(std::size_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

ProgressMeter::ProgressMeter(bool typed_input)
    : enabled_(platform::is_terminal(platform::StandardStream::error) && !typed_input),
      shares_terminal_(platform::same_terminal(platform::StandardStream::output,
                                               platform::StandardStream::error)),
      start_(Clock::now()),
      last_draw_(start_) {}

void ProgressMeter::update(std::size_t lines) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  const bool long_run = lines > kLongRunLines || now - start_ > kLongRunTime;
  if (long_run && (!drawn_ || now - last_draw_ >= kRedrawInterval)) draw(lines, now);
}

void ProgressMeter::before_output() {
  if (drawn_ && shares_terminal_) clear();
}

void ProgressMeter::finish(std::size_t lines) {
  if (!drawn_) return;
  draw(lines, Clock::now());
  std::fputc('\n', stderr);
  drawn_ = false;
}

void ProgressMeter::draw(std::size_t lines, Clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::fprintf(stderr, "\r\033[Kitemlookup: %s, %.1f s", counted(lines, "line").c_str(), seconds);
  std::fflush(stderr);
  drawn_ = true;
  last_draw_ = now;
}

void ProgressMeter::clear() {
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace itemlookup
