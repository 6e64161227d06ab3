// The module's overhead over the hand-written lookup, measured in pairs: a block of module
// lookups and a block of hand-written ones back to back, each timed on its own. Whatever else the
// machine is doing slows both blocks of a pair alike, so the ratio within a pair holds still where
// two benchmarks run seconds apart drift from each other.
#pragma once

#include <vector>

#include "lookup.hpp"

namespace lookup_bench {

enum class PairClock {
  thread_cpu,  // all the work is in this thread (SQLite)
  wall,        // part of the work is in a server process (PostgreSQL)
};

class PairedBlocks {
 public:
  static constexpr int kLookupsPerBlock = 50;

  PairedBlocks(Lookup& module, Lookup& by_hand, PairClock clock)
      : module_(module), by_hand_(by_hand), clock_(clock) {}

  // Runs one pair, the module's block first in every other pair so that neither side always
  // follows the other, and keeps the ratio of their times.
  void run_pair();

  // The median over the pairs run so far of module time ÷ hand-written time, minus one.
  double median_overhead() const;

 private:
  double time_block(Lookup& lookup) const;

  Lookup& module_;
  Lookup& by_hand_;
  PairClock clock_;
  bool module_first_ = true;
  std::vector<double> ratios_;
};

}  // namespace lookup_bench
