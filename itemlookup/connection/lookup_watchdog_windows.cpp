// The watchdog on Windows: a thread that ends the run, in order, once one wait for the database
// outlasts the limit. On Linux a wait past the limit is cut and the lookup retried; here neither
// is possible:
// - Nothing reaches the sockets a driver opened. Under Wine they are not even Windows sockets:
//   the driver is a Linux library behind Wine's ODBC32.DLL.
// - Cancelling does not end the waits the bound is for. A connect has no statement; a lookup's
//   statement is the module's own handle; and a cancel request goes to the same server, which,
//   paused or silent, never answers it either.
// - The waiting call cannot be left behind for a new connection: a lookup module keeps one
//   working record, which the call stuck in the driver still owns and the driver may still write.
// So at the deadline the step that waits writes what it owes (its LastWords), the output is
// flushed and the process ends with exit status 2; the thread that waited is held until then.
// Nothing is ever cut, so no failure is named as a cut.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "connection/database_sockets.hpp"
#include "connection/last_words.hpp"
#include "connection/lookup_watchdog.hpp"
#include "errors_and_text/exit_status.hpp"

namespace itemlookup {

namespace {

using Clock = std::chrono::steady_clock;

std::mutex watch_mutex;
std::condition_variable watch_changed;
// Guarded by watch_mutex.
std::chrono::seconds watch_limit{0};  // 0: no watchdog
int open_waits = 0;
std::optional<Clock::time_point> deadline;  // of the wait under way, if any
bool ending = false;                        // the run ends: a wait that returns is held
bool stopping = false;
// The watchdog's own thread.
std::thread watcher;

std::string bound_passed(std::chrono::seconds passed) {
  const std::string seconds = std::to_string(passed.count());
  return "no answer from the database in " + seconds + " s (--timeout " + seconds +
         "); on Windows a wait cannot be cut, so itemlookup ends the run";
}

[[noreturn]] void hold_for_ever() {
  for (;;) Sleep(INFINITE);
}

[[noreturn]] void end_the_run(std::chrono::seconds passed) {
  const std::string why = bound_passed(passed);
  if (!say_last_words(why)) std::cerr << "itemlookup: " << why << '\n';
  std::fflush(stdout);
  std::fflush(stderr);
  // Not ExitProcess: the DLLs' detach code would run beside a driver call that never returned.
  TerminateProcess(GetCurrentProcess(), kExitTrouble);
  hold_for_ever();
}

void watch_waits() {
  std::unique_lock lock(watch_mutex);
  while (!stopping) {
    if (!deadline) {
      watch_changed.wait(lock);
    } else if (Clock::now() < *deadline) {
      watch_changed.wait_until(lock, *deadline);
    } else {
      ending = true;
      const std::chrono::seconds passed = watch_limit;
      lock.unlock();
      end_the_run(passed);
    }
  }
}

}  // namespace

void spare_sockets_open_now() {}

int cut_database_sockets() {
  return 0;
}

LookupWatchdog::LookupWatchdog(std::chrono::seconds limit) : limit_(limit) {
  if (limit_.count() <= 0) return;
  {
    const std::lock_guard lock(watch_mutex);
    if (watch_limit.count() != 0) throw std::logic_error("a second watchdog in one process");
    watch_limit = limit_;
    stopping = false;
  }
  watcher = std::thread(watch_waits);
  timing_ = true;
}

LookupWatchdog::~LookupWatchdog() {
  if (!timing_) return;
  {
    const std::lock_guard lock(watch_mutex);
    stopping = true;
  }
  watch_changed.notify_one();
  watcher.join();
  const std::lock_guard lock(watch_mutex);
  watch_limit = std::chrono::seconds(0);
  deadline.reset();
}

BoundedWait::BoundedWait() {
  {
    const std::lock_guard lock(watch_mutex);
    ++open_waits;
    if (watch_limit.count() == 0) return;
    deadline = Clock::now() + watch_limit;
  }
  watch_changed.notify_one();
}

BoundedWait::~BoundedWait() {
  {
    std::unique_lock lock(watch_mutex);
    // The watchdog is saying this step's last words and ends the process.
    if (ending) {
      lock.unlock();
      hold_for_ever();
    }
    --open_waits;
    if (watch_limit.count() == 0) return;
    if (open_waits > 0) {
      deadline = Clock::now() + watch_limit;
    } else {
      deadline.reset();
    }
  }
  watch_changed.notify_one();
}

CutsSince::CutsSince() : cuts_before_(0) {}

bool CutsSince::any() const {
  return false;
}

std::chrono::seconds wait_limit() {
  const std::lock_guard lock(watch_mutex);
  return watch_limit;
}

std::string after_cut(const std::string& what) {
  return what;
}

}  // namespace itemlookup
