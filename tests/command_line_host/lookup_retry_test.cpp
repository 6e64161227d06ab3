// The retry rule over scripted steps: which errors call for a new connection, how many tries a
// lookup gets, what its result then says, and that a lookup that still fails is an error; and
// the watchdog's cut, which turns a wait for ever into a lost connection, and reaches only the
// database's own sockets.
#include "lookup/lookup_retry.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "connection/database_sockets.hpp"
#include "report/lookup_report.hpp"

namespace itemlookup {
namespace {

using std::chrono::milliseconds;

// What the database answers to each try of one lookup: the SQLSTATEs the message module
// reported (none: the item was found).
using Try = std::vector<std::string>;

LookupRequest request_of(std::vector<std::string> words) {
  return parse_lookup_request(words);
}

// A result as the host builds it: the keys, every output blank or zero, the status as given.
LookupResult scripted_result(const LookupRequest& request, const Try& sqlstates) {
  LookupResult result;
  result.command = request.command;
  const ModuleDef& module = request.command->module;
  for (std::size_t i = 0; i < module.parameters.size(); ++i) {
    result.offsets.at(i) = static_cast<std::uint16_t>(result.fields.size());
    if (module.parameters[i].kind != FieldKind::handle) {
      const bool digits = module.parameters[i].kind == FieldKind::digits;
      result.fields += std::string(module.parameters[i].width, digits ? '0' : ' ');
    }
  }
  for (const KeyValue& key : request.keys) {
    result.fields.replace(result.offsets.at(key.parameter), key.field.size(), key.field);
  }
  const std::string status = sqlstates.empty() ? "00000" : "01027";
  result.fields.replace(result.offsets.at(module.status), status.size(), status);
  for (const std::string& sqlstate : sqlstates) {
    result.errors.push_back({sqlstate, 7, "failed with " + sqlstate, sqlstate == "HY010"});
  }
  return result;
}

struct Case {
  const char* name;
  int retries;                        // --retries
  std::vector<Try> tries;             // the database's answer to each try, in order
  std::vector<std::string> connects;  // each new connection: "" comes up, else why not
  // Expected:
  int lookups;                       // tries run
  int reconnects;                    // new connections tried
  std::vector<std::string> retried;  // SQLSTATEs of "retried_errors"
  std::string error;                 // SQLSTATE of "error", empty when none
  bool found;
};

const Case kCases[] = {
    {"server restarted, then found", 3, {{"57P01", "HY010"}, {}}, {""}, 2, 1, {"57P01"}, "", true},
    {"lost on every try",
     3,
     {{"08S01"}},
     {"", "", ""},
     4,
     3,
     {"08S01", "08S01", "08S01"},
     "08S01",
     false},
    {"standby cancelled the read", 3, {{"40001"}, {}}, {""}, 2, 1, {"40001"}, "", true},
    {"pooler's own error", 3, {{"08P01"}, {}}, {""}, 2, 1, {"08P01"}, "", true},
    {"server not accepting yet, twice",
     3,
     {{"57P03"}, {"57P02"}, {}},
     {"", ""},
     3,
     2,
     {"57P03", "57P02"},
     "",
     true},
    {"missing table is not retried", 3, {{"42P01", "HY010"}}, {}, 1, 0, {}, "42P01", false},
    {"cause found behind another record",
     3,
     {{"HY000", "08006"}, {}},
     {""},
     2,
     1,
     {"08006"},
     "",
     true},
    {"a record without SQLSTATE is not retried", 3, {{""}}, {}, 1, 0, {}, "", false},
    {"retries 0", 0, {{"57P01"}}, {}, 1, 0, {}, "57P01", false},
    {"retries 1", 1, {{"57P01"}, {"08S01"}}, {""}, 2, 1, {"57P01"}, "08S01", false},
    {"reconnect fails, the next one comes up",
     3,
     {{"57P01"}, {}},
     {"08001", ""},
     2,
     2,
     {"57P01", "08001"},
     "",
     true},
    {"reconnect fails every time",
     2,
     {{"57P01"}},
     {"08001", "08001"},
     1,
     2,
     {"57P01", "08001"},
     "08001",
     false},
    {"session cannot be proven again", 3, {{"57P01"}}, {"no-state"}, 1, 1, {"57P01"}, "", false},
};

class ScriptedSteps {
 public:
  explicit ScriptedSteps(const Case& c) : case_(c) {}

  RetrySteps steps() {
    return {[this](const LookupRequest& request, LookupResult& result) {
              const std::size_t at = std::min<std::size_t>(lookups++, case_.tries.size() - 1);
              result = scripted_result(request, case_.tries[at]);
            },
            [this]() -> std::optional<LookupError> {
              const std::string why = case_.connects.at(reconnects++);
              if (why.empty()) return std::nullopt;
              return LookupError{why == "no-state" ? "" : why, 0, "cannot connect again", false};
            },
            [this](milliseconds wait) { waits.push_back(wait); }};
  }

  const Case& case_;
  std::size_t lookups = 0;
  std::size_t reconnects = 0;
  std::vector<milliseconds> waits;
};

std::vector<std::string> sqlstates(const std::vector<LookupError>& errors) {
  std::vector<std::string> states;
  for (const LookupError& error : errors) states.push_back(error.sqlstate);
  return states;
}

TEST(LookupRetry, EachCaseGetsItsTriesAndEndsAsScripted) {
  const LookupRequest request = request_of({"item", "1001"});
  for (const Case& c : kCases) {
    ScriptedSteps scripted(c);
    RetryingLookups lookups(scripted.steps(), c.retries);
    const LookupResult result = lookups.run(request);
    EXPECT_EQ(scripted.lookups, static_cast<std::size_t>(c.lookups)) << c.name;
    EXPECT_EQ(lookups.reconnects(), static_cast<std::size_t>(c.reconnects)) << c.name;
    EXPECT_EQ(result.retries, c.reconnects) << c.name;
    EXPECT_EQ(sqlstates(result.retried_errors), c.retried) << c.name;
    EXPECT_EQ(result.found(), c.found) << c.name;
    // Never "not found" when the last try failed.
    EXPECT_EQ(result.failed(), !c.found) << c.name;
    if (!c.found) {
      EXPECT_EQ(result.errors.front().sqlstate, c.error) << c.name;
    }
    std::vector<milliseconds> waits;
    for (milliseconds wait = kFirstRetryWait; waits.size() < scripted.waits.size(); wait *= 2) {
      waits.push_back(std::min(wait, kLongestRetryWait));
    }
    EXPECT_EQ(scripted.waits, waits) << c.name;
  }
}

TEST(LookupRetry, ConnectionClassesAndRecoveryConflictsCallForANewConnection) {
  for (const char* state : {"08000", "08001", "08003", "08004", "08006", "08007", "08P01", "08S01",
                            "57P01", "57P02", "57P03", "40001"}) {
    EXPECT_TRUE(calls_for_reconnect(state)) << state;
  }
  for (const char* state :
       {"", "08", "57P04", "57014", "40P01", "42P01", "HY000", "HY010", "01004", "25P02", "0800"}) {
    EXPECT_FALSE(calls_for_reconnect(state)) << state;
  }
}

TEST(LookupRetry, BatchCountsEveryNewConnection) {
  const Case& lost = kCases[1];
  ScriptedSteps scripted(lost);
  RetryingLookups lookups(scripted.steps(), 1);
  const LookupRequest request = request_of({"item", "1001"});
  lookups.run(request);
  lookups.run(request);
  EXPECT_EQ(lookups.reconnects(), 2u);
}

TEST(LookupRetry, ReportsShowTheRetriesAndTheErrorsGotPast) {
  const LookupRequest request = request_of({"item-summary", "1001"});
  ScriptedSteps scripted(kCases[0]);
  RetryingLookups lookups(scripted.steps(), 3);
  const LookupResult result = lookups.run(request);
  EXPECT_EQ(lookup_json(result, 4),
            R"({"line":4,"command":"item-summary","module":"VELDORIN","function_code":"2",)"
            R"("keys":{"item_code":"1001"},"fields":{"external_code":"","barcode":"",)"
            R"("description":"","trace_flag":"","anvisa_code":"","pmc_value":0.00,)"
            R"("pmv_value":0.00},)"
            R"("status":"00000","meaning":"found","found":true,"return_code":0,"retries":1,)"
            R"("retried_errors":[{"sqlstate":"57P01","native":7,"message":"failed with 57P01"}]})");
  const std::string table = lookup_table(result);
  EXPECT_NE(table.find("\n  retries        1 (each on a new connection)\n"
                       "  retried_error  57P01 failed with 57P01\n"),
            std::string::npos)
      << table;
}

// A new connection that failed ends the lookup with its error alone: the fields and warnings of
// the try before came from the connection that was lost.
TEST(LookupRetry, AFailedReconnectReportsOnlyItsOwnError) {
  const LookupRequest request = request_of({"item-summary", "1001"});
  const Case server_gone = {"server gone",      1,       {{"57P01"}}, {"08001"}, 1, 1,
                            {"57P01", "08001"}, "08001", false};
  ScriptedSteps scripted(server_gone);
  RetrySteps steps = scripted.steps();
  const auto lost_try = steps.lookup;
  steps.lookup = [&lost_try](const LookupRequest& request, LookupResult& result) {
    lost_try(request, result);
    result.fields.replace(result.offsets.at(5), 5, "STALE");
    result.warnings.push_back("a value was cut short");
  };
  RetryingLookups lookups(steps, 1);
  EXPECT_EQ(lookup_json(lookups.run(request), 2),
            R"({"line":2,"command":"item-summary","module":"VELDORIN","function_code":"2",)"
            R"("keys":{"item_code":"1001"},"fields":{"external_code":"","barcode":"",)"
            R"("description":"","trace_flag":"","anvisa_code":"","pmc_value":0.00,)"
            R"("pmv_value":0.00},)"
            R"j("status":"     ","meaning":"error: the lookup failed (see error)","found":false,)j"
            R"("return_code":0,"retries":1,)"
            R"("retried_errors":[{"sqlstate":"57P01","native":7,"message":"failed with 57P01"}],)"
            R"("error":{"sqlstate":"08001","native":0,"message":"cannot connect again"}})");
}

// A connected pair of sockets, closed at the end of the test.
struct SocketPair {
  SocketPair() { socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends); }
  ~SocketPair() {
    close(ends[0]);
    close(ends[1]);
  }
  // Whether a read finds the peer's end shut down, without waiting.
  bool reads_eof() const {
    char byte = 0;
    return recv(ends[0], &byte, 1, MSG_DONTWAIT) == 0;
  }
  int ends[2] = {-1, -1};
};

// Waits, up to a bound that only keeps a broken test from hanging, for the end to be readable:
// data, or the end of the stream when the watchdog cut it. Signals do not end the wait.
bool readable_within(int descriptor, std::chrono::seconds bound) {
  pollfd wanted{descriptor, POLLIN, 0};
  const auto until = std::chrono::steady_clock::now() + bound;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int ready = poll(&wanted, 1, static_cast<int>(left.count()));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

// CPU time the process has used so far.
milliseconds cpu_time() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::chrono::duration_cast<milliseconds>(
      std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
      std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec));
}

// The driver opens sockets when it connects, and again whenever it reconnects by itself, tries
// the next host or retries without TLS: every socket opened since the bound began is cut, and
// none the process had before.
TEST(DatabaseSockets, EverySocketOpenedSinceTheBoundBeganIsCutAndNoOther) {
  const SocketPair inherited;
  spare_sockets_open_now();
  const SocketPair connected;
  const SocketPair reconnected;
  EXPECT_EQ(cut_database_sockets(), 4);
  EXPECT_TRUE(connected.reads_eof());
  EXPECT_TRUE(reconnected.reads_eof());
  EXPECT_FALSE(inherited.reads_eof());
}

TEST(DatabaseSockets, ANumberFreedAndTakenByANewSocketIsCut) {
  std::optional<SocketPair> inherited(std::in_place);
  spare_sockets_open_now();
  inherited.reset();
  // The lowest free numbers: those of the pair just closed.
  const SocketPair reused;
  EXPECT_EQ(cut_database_sockets(), 2);
  EXPECT_TRUE(reused.reads_eof());
}

// Whatever a standard stream holds, it is shared with the process's parent: never cut, even a
// socket that took its place after the bound began.
TEST(DatabaseSockets, AStandardStreamIsNeverCut) {
  const int saved = dup(STDIN_FILENO);
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
  spare_sockets_open_now();
  dup2(pair[0], STDIN_FILENO);
  close(pair[0]);
  EXPECT_EQ(cut_database_sockets(), 0);
  char byte = 0;
  EXPECT_EQ(recv(STDIN_FILENO, &byte, 1, MSG_DONTWAIT), -1);
  EXPECT_EQ(errno, EAGAIN);
  dup2(saved, STDIN_FILENO);
  close(saved);
  close(pair[1]);
}

// A wait on sockets opened after the bound began, as the driver's first connect opens them.
struct BoundedDatabase {
  explicit BoundedDatabase(std::chrono::seconds limit) : watchdog(limit) { database.emplace(); }
  LookupWatchdog watchdog;
  std::optional<SocketPair> database;
};

TEST(LookupWatchdog, AWaitPastTheLimitIsCutAtItsDeadlineAndNamed) {
  BoundedDatabase bounded_database(std::chrono::seconds(1));
  const SocketPair& database = *bounded_database.database;
  const CutsSince cuts;
  const auto start = std::chrono::steady_clock::now();
  {
    const BoundedWait bounded;
    // Nothing is ever written: only the cut makes the end readable.
    EXPECT_TRUE(readable_within(database.ends[0], std::chrono::seconds(30)));
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(database.reads_eof());
  EXPECT_TRUE(cuts.any());
  EXPECT_EQ(after_cut("[08S01] lost"),
            "no answer from the database in 1 s, so itemlookup cut the connection: [08S01] lost");
}

// A driver that opens a new socket after the cut, within the same wait (the next host of a
// list, a retry without TLS), is cut again at the next deadline.
TEST(LookupWatchdog, AWaitThatGoesOnAfterACutIsCutAgain) {
  BoundedDatabase bounded_database(std::chrono::seconds(1));
  const auto start = std::chrono::steady_clock::now();
  const BoundedWait bounded;
  EXPECT_TRUE(readable_within(bounded_database.database->ends[0], std::chrono::seconds(30)));
  const SocketPair next_host;
  EXPECT_TRUE(readable_within(next_host.ends[0], std::chrono::seconds(10)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(next_host.reads_eof());
}

// A driver writing on a socket the bound cut gets an error it reports, not a SIGPIPE that ends
// the process, even one started with SIGPIPE at its default.
TEST(LookupWatchdog, AWriteOnACutSocketDoesNotEndTheProcess) {
  struct sigaction started_with {};
  struct sigaction by_default {};
  by_default.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &by_default, &started_with);
  {
    BoundedDatabase bounded_database(std::chrono::seconds(1));
    const SocketPair& database = *bounded_database.database;
    {
      const BoundedWait bounded;
      EXPECT_TRUE(readable_within(database.ends[0], std::chrono::seconds(30)));
    }
    EXPECT_EQ(write(database.ends[0], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
  }
  sigaction(SIGPIPE, &started_with, nullptr);
}

// A parent may leave SIGALRM blocked or ignored, and exec passes both on: the bound holds all the
// same, and the signal is given back as the process had it.
TEST(LookupWatchdog, HoldsWhetherSIGALRMCameBlockedOrIgnored) {
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  for (const bool blocked : {true, false}) {
    sigset_t mask_before;
    struct sigaction action_before {};
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    if (blocked) {
      pthread_sigmask(SIG_BLOCK, &alarm, &mask_before);
    } else {
      sigaction(SIGALRM, &ignore, &action_before);
    }
    {
      BoundedDatabase bounded_database(std::chrono::seconds(1));
      const BoundedWait bounded;
      EXPECT_TRUE(readable_within(bounded_database.database->ends[0], std::chrono::seconds(10)))
          << (blocked ? "blocked" : "ignored");
    }
    sigset_t mask_after;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask_after);
    struct sigaction action_after {};
    sigaction(SIGALRM, nullptr, &action_after);
    EXPECT_EQ(sigismember(&mask_after, SIGALRM) == 1, blocked);
    if (blocked) {
      pthread_sigmask(SIG_SETMASK, &mask_before, nullptr);
    } else {
      EXPECT_EQ(action_after.sa_handler, SIG_IGN);
      sigaction(SIGALRM, &action_before, nullptr);
    }
  }
}

TEST(LookupWatchdog, WaitsWithinTheLimitAndTimeBetweenThemAreNotCut) {
  BoundedDatabase bounded_database(std::chrono::seconds(1));
  const CutsSince cuts;
  for (int wait = 0; wait < 3; ++wait) const BoundedWait bounded;
  // The timer's signal comes meanwhile; a retry's back-off still lasts its whole time, and the
  // watchdog sleeps too, however small its limit.
  const auto start = std::chrono::steady_clock::now();
  const milliseconds cpu_before = cpu_time();
  std::this_thread::sleep_for(milliseconds(2500));
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(2500));
  EXPECT_LT(cpu_time() - cpu_before, milliseconds(250));
  EXPECT_FALSE(cuts.any());
  EXPECT_FALSE(bounded_database.database->reads_eof());
}

TEST(LookupWatchdog, WithoutALimitNoSignalIsTaken) {
  const LookupWatchdog watchdog(std::chrono::seconds(0));
  const BoundedWait bounded;
  struct sigaction action {};
  sigaction(SIGALRM, nullptr, &action);
  EXPECT_EQ(action.sa_handler, SIG_DFL);
  EXPECT_EQ(wait_limit().count(), 0);
}

}  // namespace
}  // namespace itemlookup
