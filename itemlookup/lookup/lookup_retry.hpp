// Lookups that survive a lost connection. A lookup that ended with a connection error, or with
// any error on a connection its driver then says is lost, or that a hot standby cancelled to
// replay changes, may well succeed on a new connection: the host disconnects, connects again
// with the original connection string, sets the session up and proves it again, and runs the
// same lookup again, a few times with a short growing wait in between. Every other error is the
// lookup's answer at once. A new connection whose setup fails is closed
// again, so the next lookup finds it closed (08003) and connects again for itself.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

#include "connection/lookup_watchdog.hpp"
#include "connection/lost_connection.hpp"
#include "connection/odbc_connection.hpp"
#include "lookup/lookup_host.hpp"
#include "lookup/lookup_request.hpp"

namespace itemlookup {

inline constexpr int kDefaultRetries = 3;
inline constexpr int kMostRetries = 10;
// Before the first new connection; doubled before each further one, up to the longest.
inline constexpr std::chrono::milliseconds kFirstRetryWait{100};
inline constexpr std::chrono::milliseconds kLongestRetryWait{1600};

// What a retry is made of, apart from the rule that strings them together.
struct RetrySteps {
  // Runs the lookup into the result, which is left as if new before it runs.
  std::function<void(const LookupRequest&, LookupResult&)> lookup;
  // Connects again and sets the session up as before the first lookup; why not, if it failed
  // (with the SQLSTATE of a link lost during the setup).
  std::function<std::optional<LookupError>()> reconnect;
  std::function<void(std::chrono::milliseconds)> wait;
};

// The steps on the host's own connection: the lookup (after a failure that names no lost
// connection, the driver is asked whether the connection is lost), OdbcConnection::reconnect()
// (which runs the connection's session setup again), and sleeping. The watchdog bounds each of
// their waits; an error that follows from its cut says so.
RetrySteps host_retry_steps(const LookupHost& host, OdbcConnection& connection);

class RetryingLookups {
 public:
  // retries: how many times a lookup may run again after its first try (0: never).
  RetryingLookups(RetrySteps steps, int retries);

  // The last try's result; with retries, `retries` and `retried_errors` say what came before.
  // A lookup whose new connection failed reports that failure alone, with the request's keys
  // and no field or warning of the try before: those came from another connection.
  LookupResult run(const LookupRequest& request);
  // The same into `result`, whose room a batch keeps from lookup to lookup.
  void run(const LookupRequest& request, LookupResult& result);

  // New connections tried so far, whether they came up or not.
  std::size_t reconnects() const { return reconnects_; }

 private:
  RetrySteps steps_;
  int retries_;
  std::size_t reconnects_ = 0;
};

}  // namespace itemlookup
