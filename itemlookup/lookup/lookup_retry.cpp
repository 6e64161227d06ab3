#include "lookup/lookup_retry.hpp"

#include <algorithm>
#include <thread>
#include <utility>

namespace itemlookup {

namespace {

// The connection failed, by the error's SQLSTATE or by the driver's word after it.
bool lost_the_connection(const LookupError& error) {
  return error.link_lost || calls_for_reconnect(error.sqlstate);
}

// The first error that a new connection might cure, or none.
const LookupError* reconnect_cause(const LookupResult& result) {
  for (const LookupError& error : result.errors) {
    if (lost_the_connection(error)) return &error;
  }
  return nullptr;
}

// Drivers end some messages with a line break, or break them in several lines.
std::string one_line(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// The error a cut connection gave: the one the retry names, else the first.
LookupError& cut_error(LookupResult& result) {
  const auto cause =
      std::find_if(result.errors.begin(), result.errors.end(),
                   [](const LookupError& error) { return lost_the_connection(error); });
  return cause != result.errors.end() ? *cause : result.errors.front();
}

// A failed lookup whose errors name no lost connection, on a connection the driver says is lost:
// its first error is marked as the link's loss, so that the lookup runs again on a new one. The
// driver may ask the server (MariaDB's pings it), so the question is a bounded wait too.
void note_dead_link(LookupResult& result, const OdbcConnection& connection) {
  if (result.errors.empty() || reconnect_cause(result) != nullptr) return;
  bool dead = false;
  {
    const BoundedWait bounded;
    dead = driver_says_connection_dead(connection.connection());
  }
  if (!dead) return;
  const auto cause = std::find_if(result.errors.begin(), result.errors.end(),
                                  [](const LookupError& error) { return !error.consequence; });
  (cause != result.errors.end() ? *cause : result.errors.front()).link_lost = true;
}

// The driver only saw the connection close; the operator must see why.
void note_cut(LookupError& error) {
  error.message = after_cut(error.message);
}

}  // namespace

RetrySteps host_retry_steps(const LookupHost& host, OdbcConnection& connection) {
  return {[&host, &connection](const LookupRequest& request, LookupResult& result) {
            const CutsSince cuts;
            host.run(request, result);
            note_dead_link(result, connection);
            if (cuts.any() && !result.errors.empty()) note_cut(cut_error(result));
          },
          [&connection]() -> std::optional<LookupError> {
            const CutsSince cuts;
            std::optional<LookupError> failure;
            // A new session starts as the server's defaults say: the connection proves its
            // literals again, and stays closed unless they pass.
            if (const std::optional<OdbcDiagnostic> refused = connection.reconnect()) {
              failure =
                  LookupError{refused->sqlstate, refused->native_error, one_line(refused->message)};
            }
            if (cuts.any() && failure) {
              note_cut(*failure);
              // Cut in the middle of the setup: the link failed, not the setting.
              if (failure->sqlstate.empty()) failure->sqlstate = "08S01";
            }
            return failure;
          },
          [](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); }};
}

RetryingLookups::RetryingLookups(RetrySteps steps, int retries)
    : steps_(std::move(steps)), retries_(retries) {}

LookupResult RetryingLookups::run(const LookupRequest& request) {
  LookupResult result;
  run(request, result);
  return result;
}

void RetryingLookups::run(const LookupRequest& request, LookupResult& result) {
  steps_.lookup(request, result);
  std::chrono::milliseconds wait = kFirstRetryWait;
  for (const LookupError* cause = reconnect_cause(result);
       cause != nullptr && result.retries < retries_; cause = reconnect_cause(result)) {
    std::vector<LookupError> retried = std::move(result.retried_errors);
    retried.push_back(*cause);
    const int retries = result.retries + 1;
    steps_.wait(wait);
    wait = std::min(wait * 2, kLongestRetryWait);
    ++reconnects_;
    if (std::optional<LookupError> failure = steps_.reconnect()) {
      // This try ends before its lookup; the try before ran on another connection.
      const bool latin1 = result.latin1;
      result = unrun_lookup(request, std::move(*failure));
      result.latin1 = latin1;
    } else {
      steps_.lookup(request, result);
    }
    result.retries = retries;
    result.retried_errors = std::move(retried);
  }
}

}  // namespace itemlookup
