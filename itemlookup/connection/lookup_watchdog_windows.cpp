// The watchdog on Windows: no bound. On Linux it shuts down the database connection's sockets
// when a wait lasts too long; Windows gives no reach into the sockets a driver opened, so
// --timeout is accepted there and does nothing (the help and README say so). Nothing is ever
// cut, so no failure is named as a cut.
#include "connection/database_sockets.hpp"
#include "connection/lookup_watchdog.hpp"

namespace itemlookup {

void spare_sockets_open_now() {}

int cut_database_sockets() {
  return 0;
}

LookupWatchdog::LookupWatchdog(std::chrono::seconds limit) : limit_(limit) {}
LookupWatchdog::~LookupWatchdog() = default;

BoundedWait::BoundedWait() = default;
BoundedWait::~BoundedWait() = default;

CutsSince::CutsSince() : cuts_before_(0) {}

bool CutsSince::any() const {
  return false;
}

std::chrono::seconds wait_limit() {
  return std::chrono::seconds(0);
}

std::string after_cut(const std::string& what) {
  return what;
}

}  // namespace itemlookup
