// A bound on every wait for the database. A lookup whose server is paused, or whose network drops
// packets without a word, would otherwise wait for ever: the machine at the other end still
// acknowledges, so no keepalive or TCP timeout fires, and the driver's own query timeout is a
// session setting that leaks to other clients behind a transaction pooler. When one wait lasts
// longer than the limit, the watchdog shuts down the process's network connections: the driver
// then reports a lost connection, and the lookup goes the way of any other lost connection.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace itemlookup {

inline constexpr int kDefaultTimeoutSeconds = 30;
inline constexpr int kMostTimeoutSeconds = 3600;

class LookupWatchdog {
 public:
  // limit 0: no bound, and no thread.
  explicit LookupWatchdog(std::chrono::seconds limit);
  ~LookupWatchdog();
  LookupWatchdog(const LookupWatchdog&) = delete;
  LookupWatchdog& operator=(const LookupWatchdog&) = delete;

  std::chrono::seconds limit() const { return limit_; }

  // Around one wait for the database: arm before, disarm after. disarm() tells whether the
  // limit passed and connections were cut meanwhile (a file database has none to cut). A wait
  // is cut at most a quarter of the limit, or a second, after the limit.
  void arm();
  bool disarm();

 private:
  void watch();

  const std::chrono::seconds limit_;
  std::mutex mutex_;
  std::condition_variable changed_;  // stopping only
  std::optional<std::chrono::steady_clock::time_point> deadline_;
  bool fired_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once everything above is set
};

// Shuts down, in both directions, every stream socket of the process but standard input, output
// and error. Blocked reads on them return at once. Returns how many it shut down.
int cut_network_connections();

}  // namespace itemlookup
