// One way of running a lookup, set up once and then run over and over by the benchmarks.
#pragma once

namespace lookup_bench {

class Lookup {
 public:
  virtual ~Lookup() = default;
  // One lookup, start to end, as the host would run it.
  virtual void run() = 0;
  // Whether the last run found the case's row and handed back its checked value.
  virtual bool found() const = 0;
};

}  // namespace lookup_bench
