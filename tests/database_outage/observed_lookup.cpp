#include "observed_lookup.hpp"

#include <sql.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "stderr_capture.hpp"

namespace database_outage {

namespace {

using counting_dm::Function;
using counting_dm::RecordedCall;
using Clock = std::chrono::steady_clock;

// Ends the process when a lookup outlives twice its bound: a hang must not stall the suite.
class Watchdog {
 public:
  static Watchdog& instance() {
    static Watchdog watchdog;
    return watchdog;
  }
  void arm() { deadline_ = (Clock::now() + 2 * kLookupBound).time_since_epoch().count(); }
  void disarm() { deadline_ = 0; }

 private:
  Watchdog() {
    std::thread([this] {
      for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto deadline = deadline_.load();
        if (deadline != 0 && Clock::now().time_since_epoch().count() > deadline) {
          std::fprintf(stderr, "a lookup hung: still running after %lld s\n",
                       static_cast<long long>(2 * kLookupBound.count()));
          std::_Exit(3);
        }
      }
    }).detach();
  }
  std::atomic<Clock::rep> deadline_{0};
};

bool failed(const RecordedCall& call) {
  switch (call.function) {
    case Function::exec_direct:
      return call.result != SQL_SUCCESS && call.result != SQL_SUCCESS_WITH_INFO;
    case Function::fetch:
      return call.result != SQL_SUCCESS && call.result != SQL_NO_DATA;
    case Function::get_diag_rec:
      return false;
    default:
      return call.result != SQL_SUCCESS;
  }
}

const char* name(Function function) {
  constexpr const char* kNames[] = {"SQLAllocStmt", "SQLSetStmtOption", "SQLExecDirect",
                                    "SQLBindCol",   "SQLFetch",         "SQLFreeStmt",
                                    "SQLGetDiagRec"};
  return kNames[static_cast<int>(function)];
}

}  // namespace

int ObservedLookup::failed_calls() const {
  return static_cast<int>(std::ranges::count_if(calls, failed));
}

int ObservedLookup::reports() const {
  return static_cast<int>(std::ranges::count_if(calls, [](const RecordedCall& call) {
    return call.function == Function::get_diag_rec && call.detail == 1;
  }));
}

int ObservedLookup::statements() const {
  return static_cast<int>(std::ranges::count_if(
      calls, [](const RecordedCall& call) { return call.function == Function::alloc_stmt; }));
}

bool ObservedLookup::last_drop_succeeded() const {
  for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
    if (call->function == Function::free_stmt) return call->result == SQL_SUCCESS;
  }
  return false;
}

std::string ObservedLookup::describe() const {
  std::string text = "status " + std::string(result.status()) + ", return code " +
                     std::to_string(result.return_code) + ", calls:";
  for (const RecordedCall& call : calls) {
    text += std::string(" ") + name(call.function) + "=" + std::to_string(call.result);
  }
  return text + "\nstderr: " + messages;
}

ObservedLookup observe(const itemlookup::LookupHost& host, const soak::ExpectedLookup& lookup) {
  const itemlookup::LookupRequest& request = soak::request_for(lookup);
  ObservedLookup observed;
  counting_dm_record(true);
  Watchdog::instance().arm();
  const auto start = Clock::now();
  {
    test_support::StderrCapture capture;
    observed.result = host.run(request);
    observed.messages = capture.finish();
  }
  observed.took = Clock::now() - start;
  Watchdog::instance().disarm();
  observed.calls.resize(counting_dm_recorded(nullptr, 0));
  counting_dm_recorded(observed.calls.data(), observed.calls.size());
  counting_dm_record(false);
  return observed;
}

}  // namespace database_outage
