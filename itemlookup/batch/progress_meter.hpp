// A progress line on stderr for long batch runs, only when someone watches a terminal: silent
// for short runs, for logs, and while the lines come from someone typing them.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace itemlookup {

class ProgressMeter {
 public:
  // Shows progress only when stderr is a terminal and the input is not typed at one.
  explicit ProgressMeter(bool typed_input);
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  // Called after every input line; draws at most a few times a second, once the run is long.
  void update(std::size_t lines);
  // Called before a result goes to standard output: on the terminal the progress line shares
  // with the results, the line is cleared first so that no result lands on it.
  void before_output();
  // Ends the progress line, if one was drawn.
  void finish(std::size_t lines);

 private:
  using Clock = std::chrono::steady_clock;
  void draw(std::size_t lines, Clock::time_point now);
  void clear();

  bool enabled_;
  bool shares_terminal_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point last_draw_;
};

// "1 line", "2 lines".
std::string counted(std::size_t count, std::string_view noun);

}  // namespace itemlookup
