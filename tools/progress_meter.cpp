#include "progress_meter.hpp"

#include <unistd.h>

#include <cstdio>

namespace itemlookup {

namespace {

constexpr std::size_t kLongRunLines = 1000;
constexpr auto kLongRunTime = std::chrono::seconds(2);
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

}  // namespace

ProgressMeter::ProgressMeter()
    : enabled_(isatty(STDERR_FILENO) == 1), start_(Clock::now()), last_draw_(start_) {}

void ProgressMeter::update(std::size_t lines) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  const bool long_run = lines > kLongRunLines || now - start_ > kLongRunTime;
  if (long_run && (!drawn_ || now - last_draw_ >= kRedrawInterval)) draw(lines, now);
}

void ProgressMeter::finish(std::size_t lines) {
  if (!drawn_) return;
  draw(lines, Clock::now());
  std::fputc('\n', stderr);
}

void ProgressMeter::draw(std::size_t lines, Clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::fprintf(stderr, "\ritemlookup: %zu lines, %.1f s", lines, seconds);
  std::fflush(stderr);
  drawn_ = true;
  last_draw_ = now;
}

}  // namespace itemlookup
