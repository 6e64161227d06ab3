#include "paired_blocks.hpp"

#include <time.h>

#include <algorithm>

namespace lookup_bench {

namespace {

double seconds_now(PairClock clock) {
  timespec now{};
  clock_gettime(clock == PairClock::thread_cpu ? CLOCK_THREAD_CPUTIME_ID : CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

double PairedBlocks::time_block(Lookup& lookup) const {
  const double start = seconds_now(clock_);
  for (int i = 0; i < kLookupsPerBlock; ++i) lookup.run();
  return seconds_now(clock_) - start;
}

void PairedBlocks::run_pair() {
  double module_time = 0;
  double by_hand_time = 0;
  if (module_first_) {
    module_time = time_block(module_);
    by_hand_time = time_block(by_hand_);
  } else {
    by_hand_time = time_block(by_hand_);
    module_time = time_block(module_);
  }
  module_first_ = !module_first_;
  if (by_hand_time > 0) ratios_.push_back(module_time / by_hand_time);
}

double PairedBlocks::median_overhead() const {
  if (ratios_.empty()) return 0;
  std::vector<double> sorted = ratios_;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t middle = sorted.size() / 2;
  const double median =
      sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
  return median - 1;
}

}  // namespace lookup_bench
