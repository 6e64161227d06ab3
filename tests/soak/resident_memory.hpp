// The process's resident set, as the kernel counts it.
#pragma once

#include <unistd.h>

#include <fstream>

namespace soak {

// Resident memory in KiB, from /proc/self/statm (size, then resident, in pages).
inline long resident_kib() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace soak
