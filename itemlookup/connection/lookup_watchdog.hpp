// A bound on every wait for the database. A lookup whose server is paused, or whose network drops
// packets without a word, would otherwise wait for ever: the machine at the other end still
// acknowledges, so no keepalive or TCP timeout fires, and the driver's own query timeout is a
// session setting that leaks to other clients behind a transaction pooler. When one wait lasts
// longer than the limit, the watchdog shuts down the database's sockets (database_sockets.hpp):
// the driver then reports a lost connection, and the lookup goes the way of any other lost
// connection. A wait that goes on past a cut, on a socket the driver opened since, is cut again
// at each later deadline.
//
// The watchdog is a timer signal, not a thread: a second thread alone would make every malloc
// and stdio call of the process take its locked path. Arming a wait stores a deadline, with no
// system call; the timer sleeps until the earliest deadline that may be armed, and its handler
// compares the clock with the deadline and cuts once it has passed. While it runs, SIGALRM is
// its own and unblocked, and SIGPIPE is ignored.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace itemlookup {

inline constexpr int kDefaultTimeoutSeconds = 30;
inline constexpr int kMostTimeoutSeconds = 3600;

// One per process at a time (it owns SIGALRM), for as long as waits are to be bounded.
class LookupWatchdog {
 public:
  // limit 0: no bound, no timer and no signal. Made before the first connect: the sockets open
  // then are never cut. Throws CannotRun when the bound cannot be kept.
  explicit LookupWatchdog(std::chrono::seconds limit);
  ~LookupWatchdog();
  LookupWatchdog(const LookupWatchdog&) = delete;
  LookupWatchdog& operator=(const LookupWatchdog&) = delete;

  std::chrono::seconds limit() const { return limit_; }

 private:
  const std::chrono::seconds limit_;
  bool timing_ = false;
};

// Around one wait for the database: bounded by the limit of the process's watchdog, if there is
// one. A wait inside another starts the outer one's bound afresh when it ends.
class BoundedWait {
 public:
  BoundedWait();
  ~BoundedWait();
  BoundedWait(const BoundedWait&) = delete;
  BoundedWait& operator=(const BoundedWait&) = delete;
};

// Whether the watchdog cut the database's connections since it was made: a failure that follows
// from a cut is named as such (a file database has nothing to cut, so it never is).
class CutsSince {
 public:
  CutsSince();
  bool any() const;

 private:
  std::uint64_t cuts_before_;
};

// The limit of the process's watchdog; 0 when there is none.
std::chrono::seconds wait_limit();

// "no answer from the database in N s, so itemlookup cut the connection: " + what: the message
// of a failure that followed a cut.
std::string after_cut(const std::string& what);

}  // namespace itemlookup
