// The watchdog on Windows: no bound. On Linux it shuts down the process's sockets when a wait
// lasts too long; Windows offers no list of a process's sockets to cut, so --timeout is
// accepted there and does nothing (the help and README say so).
#include "connection/lookup_watchdog.hpp"

namespace itemlookup {

int cut_network_connections() {
  return 0;
}

LookupWatchdog::LookupWatchdog(std::chrono::seconds limit) : limit_(limit) {}

LookupWatchdog::~LookupWatchdog() = default;

void LookupWatchdog::arm() {}

bool LookupWatchdog::disarm() {
  return false;
}

void LookupWatchdog::watch() {}

}  // namespace itemlookup
