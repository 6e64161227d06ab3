#include "connection/lookup_watchdog.hpp"

#include <signal.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "connection/database_sockets.hpp"
#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {

namespace {

using Nanoseconds = std::int64_t;

// Shared with the signal handler, so lock-free atomics only.
std::atomic<Nanoseconds> limit_ns{0};     // 0: no watchdog
std::atomic<Nanoseconds> deadline_ns{0};  // 0: no wait armed
std::atomic<std::uint64_t> cuts{0};
static_assert(std::atomic<Nanoseconds>::is_always_lock_free &&
                  std::atomic<std::uint64_t>::is_always_lock_free,
              "read in a signal handler");

// Main thread only.
int open_waits = 0;
timer_t timer{};
struct sigaction replaced_alarm_action {};
struct sigaction replaced_pipe_action {};
bool alarm_was_blocked = false;

Nanoseconds monotonic_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return Nanoseconds{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void wake_at(Nanoseconds when) {
  itimerspec at{};
  at.it_value.tv_sec = static_cast<time_t>(when / 1'000'000'000);
  at.it_value.tv_nsec = static_cast<long>(when % 1'000'000'000);
  timer_settime(timer, TIMER_ABSTIME, &at, nullptr);
}

// Async-signal-safe: clock_gettime, the system calls of cut_database_sockets, timer_settime and
// atomics. The timer never wakes later than an armed deadline: a wait armed from now on ends no
// sooner than now + limit.
void on_timer(int) {
  const int saved_errno = errno;
  const Nanoseconds now = monotonic_now();
  Nanoseconds deadline = deadline_ns;
  Nanoseconds next = now + limit_ns;
  if (deadline != 0 && now >= deadline) {
    // The wait goes on past its cut while the driver opens a new socket (its own reconnect, the
    // next host of a list, a retry without TLS): each deadline cuts again, until the wait ends.
    if (deadline_ns.compare_exchange_strong(deadline, next) && cut_database_sockets() > 0) ++cuts;
  } else if (deadline != 0) {
    next = deadline;
  }
  wake_at(next);
  errno = saved_errno;
}

// Why the bound cannot be kept, and what the operator can do instead.
[[noreturn]] void refuse_bound(std::chrono::seconds limit, const std::string& why) {
  throw CannotRun("--timeout " + std::to_string(limit.count()) + " cannot be kept: " + why +
                  "; --timeout 0 waits for the database without a bound");
}

std::string system_error(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

sigset_t only_alarm() {
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  return alarm;
}

}  // namespace

LookupWatchdog::LookupWatchdog(std::chrono::seconds limit) : limit_(limit) {
  if (limit_.count() <= 0) return;
  if (limit_ns != 0) throw std::logic_error("a second watchdog in one process");
  spare_sockets_open_now();
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGALRM;
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
    refuse_bound(limit_, system_error("no timer"));
  }
  struct sigaction action {};
  action.sa_handler = on_timer;
  // Interrupted reads and writes of the process carry on; the driver retries its polls.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  // A parent may have left SIGALRM ignored or blocked, and both pass through exec (some
  // schedulers and supervisors do it): the handler replaces an ignored signal, and a blocked one
  // is unblocked for the run, or the bound would silently never fire.
  const sigset_t alarm = only_alarm();
  sigset_t mask_before;
  sigset_t mask_now;
  if (sigaction(SIGALRM, &action, &replaced_alarm_action) != 0) {
    const std::string why = system_error("SIGALRM cannot be handled");
    timer_delete(timer);
    refuse_bound(limit_, why);
  }
  if (pthread_sigmask(SIG_UNBLOCK, &alarm, &mask_before) != 0 ||
      pthread_sigmask(SIG_BLOCK, nullptr, &mask_now) != 0 || sigismember(&mask_now, SIGALRM)) {
    timer_delete(timer);
    sigaction(SIGALRM, &replaced_alarm_action, nullptr);
    refuse_bound(limit_, "SIGALRM stays blocked");
  }
  alarm_was_blocked = sigismember(&mask_before, SIGALRM) == 1;
  // A driver writing on a socket the bound cut gets EPIPE, and reports a lost connection, rather
  // than a SIGPIPE that would end the process with nothing reported.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &replaced_pipe_action);
  limit_ns = std::chrono::nanoseconds(limit_).count();
  timing_ = true;
  wake_at(monotonic_now() + limit_ns);
}

LookupWatchdog::~LookupWatchdog() {
  if (!timing_) return;
  timer_delete(timer);
  if (alarm_was_blocked) {
    const sigset_t alarm = only_alarm();
    pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
  }
  sigaction(SIGALRM, &replaced_alarm_action, nullptr);
  sigaction(SIGPIPE, &replaced_pipe_action, nullptr);
  limit_ns = 0;
  deadline_ns = 0;
}

BoundedWait::BoundedWait() {
  ++open_waits;
  if (const Nanoseconds limit = limit_ns; limit != 0) deadline_ns = monotonic_now() + limit;
}

BoundedWait::~BoundedWait() {
  --open_waits;
  const Nanoseconds limit = limit_ns;
  deadline_ns = limit != 0 && open_waits > 0 ? monotonic_now() + limit : 0;
}

CutsSince::CutsSince() : cuts_before_(cuts) {}

bool CutsSince::any() const {
  return cuts != cuts_before_;
}

std::chrono::seconds wait_limit() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::nanoseconds(limit_ns));
}

std::string after_cut(const std::string& what) {
  return "no answer from the database in " + std::to_string(wait_limit().count()) +
         " s, so itemlookup cut the connection: " + what;
}

}  // namespace itemlookup
