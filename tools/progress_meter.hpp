// A progress line on stderr for long batch runs, only when someone watches a terminal: silent
// for short runs and for logs.
#pragma once

#include <chrono>
#include <cstddef>

namespace itemlookup {

class ProgressMeter {
 public:
  // Shows progress only when stderr is a terminal.
  ProgressMeter();
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  // Called after every input line; draws at most a few times a second, once the run is long.
  void update(std::size_t lines);
  // Ends the progress line, if one was drawn.
  void finish(std::size_t lines);

 private:
  using Clock = std::chrono::steady_clock;
  void draw(std::size_t lines, Clock::time_point now);

  bool enabled_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point last_draw_;
};

}  // namespace itemlookup
