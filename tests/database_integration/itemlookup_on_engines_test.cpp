// itemlookup on every engine, given the connection an operator might give it: keys that end
// their literal early wherever a backslash escapes find only their own row, because itemlookup
// makes the session read standard literals; `check` names what such a connection lacks.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo_databases.hpp"
#include "temporary_folder.hpp"

namespace database_integration {
namespace {

struct ItemlookupRun {
  int exit_status = -1;
  std::string out;
};

std::string shell_quoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `environment`: "NAME=value " words the shell puts before the command.
ItemlookupRun itemlookup(const std::vector<std::string>& arguments,
                         const std::string& environment = "") {
  std::string command = environment + shell_quoted(ITEMLOOKUP_BINARY);
  for (const std::string& argument : arguments) command += " " + shell_quoted(argument);
  ItemlookupRun run;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  for (std::size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    run.out.append(chunk, got);
  const int status = pclose(pipe);
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class ItemlookupOnEachDatabase : public testing::TestWithParam<Database> {
 protected:
  void SetUp() override { open_or_skip(GetParam()); }
  ItemlookupRun run(Literals literals, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(),
                     {"--connect", demo_connection_string(GetParam(), literals), "--json"});
    return itemlookup(arguments);
  }
};

TEST_P(ItemlookupOnEachDatabase, BackslashKeysFindOnlyTheirOwnRow) {
  struct Case {
    std::vector<std::string> lookup;
    int exit_status;
    const char* shown;  // part of the JSON line
  };
  const Case cases[] = {
      {{"item", "BARRA\\'S-1011"}, 0, R"("description":"SUPORTE DE PAREDE C:\\ITENS\\1011")"},
      {{"item", "\\' OR 1=1 #"}, 1, R"("status":"01027")"},
      {{"item-summary", "ABCDEFGHIJKLMNO\\"}, 1, R"("status":"01027")"},
      {{"resolve", "--barcode", "\\' OR 1=1 #", "--external", "\\' OR 1=1 #"},
       1,
       R"("status":"02129")"},
      {{"resolve", "--external", "EXT\\'1011\\"}, 0, R"("item_code":"BARRA\\'S-1011")"},
      {{"customer-resolve", "C", "42", "\\' UNION SELECT USER() #"},
       1,
       R"("fields":{"item_code":""})"},
      {{"customer-resolve", "C", "42", "C:\\ITENS\\O'NEIL\\"},
       0,
       R"("fields":{"item_code":"BARRA\\'S-1011"})"},
      {{"customer-item", "C", "42", "\\' OR 1=1 #"}, 1, R"("status":"00003")"},
  };
  for (const Case& c : cases) {
    const ItemlookupRun result = run(Literals::escaping, c.lookup);
    EXPECT_EQ(result.exit_status, c.exit_status) << c.lookup[1] << "\n" << result.out;
    EXPECT_NE(result.out.find(c.shown), std::string::npos) << c.lookup[1] << "\n" << result.out;
  }
}

TEST_P(ItemlookupOnEachDatabase, CheckPassesAConnectionSetUpAsDocumented) {
  const ItemlookupRun result = run(Literals::as_documented, {"check"});
  EXPECT_EQ(result.exit_status, 0) << result.out;
  EXPECT_NE(result.out.find(R"("ok":true,"problems":0})"), std::string::npos) << result.out;
  std::vector<std::string> shown = {
      R"({"topic":"autocommit","ok":true,"detail":"on: each statement is a transaction of its own"})",
      R"({"topic":"host modules","ok":true,)",
      R"({"topic":"driver logging","ok":true,"detail":"off: no driver manager trace, and no log )"
      R"(setting of )",
  };
  switch (GetParam()) {
    case Database::sqlite:
      shown.push_back(R"({"topic":"session setting","ok":true,"detail":"the engine's own )"
                      R"(reading: standard literals, proven again on a fresh statement"})");
      break;
    case Database::postgres:
      shown.push_back(R"({"topic":"server role","ok":true,"detail":"primary: reads and writes"})");
      shown.push_back(R"({"topic":"session setting","ok":true,"detail":"itemlookup's SET )"
                      R"(standard_conforming_strings = on: standard literals, proven again on )"
                      R"(a fresh statement"})");
      break;
    case Database::mariadb:
      shown.push_back(R"({"topic":"session setting","ok":true,"detail":"itemlookup's SET )"
                      R"(SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES'): standard )"
                      R"(literals, proven again on a fresh statement"})");
      break;
  }
  for (const std::string& part : shown) {
    EXPECT_NE(result.out.find(part), std::string::npos) << part << "\n" << result.out;
  }
}

TEST_P(ItemlookupOnEachDatabase, CheckNamesTheSettingAnEscapingConnectionLacks) {
  const ItemlookupRun result = run(Literals::escaping, {"check"});
  const char* fix = nullptr;
  switch (GetParam()) {
    case Database::sqlite:
      EXPECT_EQ(result.exit_status, 0) << result.out;
      return;
    case Database::postgres:
      fix = "ConnSettings=SET standard_conforming_strings=on";
      break;
    case Database::mariadb:
      fix = "InitStmt=SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES')";
      break;
  }
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find(R"({"topic":"string literals","ok":false)"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find(fix), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(R"("problems":1})"), std::string::npos) << result.out;
}

TEST(ItemlookupCheck, NamesTheCollationOfCaseInsensitiveKeyColumns) {
  open_or_skip(Database::mariadb);
  if (IsSkipped() || HasFatalFailure()) return;
  const ItemlookupRun result = itemlookup({"--connect", case_insensitive_mariadb_demo(), "check"});
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find("PROBLEM  letter case      a key differing only in letter case "
                            "finds another row in VNDADFIT.ADFIT_COD_ITEM"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("fix: COLLATE utf8mb4_bin"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\n1 problem\n"), std::string::npos) << result.out;
}

// A table the role may not read is not a missing table: the driver's message, on one line.
TEST(ItemlookupCheck, ShowsTheDriversMessageForTablesTheRoleMayNotRead) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  OdbcSession& session = demo_database(Database::postgres);
  // Roles belong to the whole server: test processes side by side may both create it.
  session.execute(
      "DO $$BEGIN CREATE ROLE item_lookup_no_rights NOLOGIN; EXCEPTION WHEN duplicate_object "
      "OR unique_violation THEN NULL; END$$");
  session.execute("GRANT USAGE ON SCHEMA " + postgres_demo_schema() + " TO item_lookup_no_rights");
  std::string connection = demo_connection_string(Database::postgres, Literals::as_documented);
  connection.insert(connection.rfind('}'), ";SET ROLE item_lookup_no_rights");
  const ItemlookupRun result = itemlookup({"--connect", connection, "check"});
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find("PROBLEM  table VNDADFIT   cannot be read: [42501] ERROR: permission "
                            "denied for table vndadfit; Error while executing the query\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.out.find("not found"), std::string::npos) << result.out;
}

// psqlODBC's log, where `check` says it goes: to the Logdir of the driver's own section, here a
// folder of the test's own (ODBCSYSINI), so that no file is left in /tmp.
TEST(ItemlookupCheck, NamesPsqlodbcLoggingAndTheFileItWrites) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const test_support::TemporaryFolder scratch("psqlodbc-logs-");
  const std::filesystem::path& folder = scratch.path();
  struct LoggingCase {
    const char* name;
    const char* driver_section;  // [PostgreSQL Unicode] of the test's odbcinst.ini, less Logdir
    const char* in_string;
    std::string detail;              // empty: ok
    std::size_t log_bytes_at_least;  // 0: no file at all
  };
  const std::string file = folder.string() + "/psqlodbc_<program>_<user><pid>.log";
  const LoggingCase cases[] = {
      {"off", "CommLog=0\n", "CommLog=0;", "", 0},
      {"on in the connection string", "CommLog=0\n", "CommLog=1;",
       "CommLog=1 in the connection string: psqlODBC writes every statement and its answer to " +
           file + ", a write in every lookup\n",
       // Each statement of the check, and its answer.
       2000},
      // As Debian registers the driver: off in the string, yet the disconnect is written.
      {"on in the driver's own section", "CommLog=1\n", "CommLog=0;",
       "CommLog=1 in the driver's own section [PostgreSQL Unicode] of odbcinst.ini: every "
       "process that loads psqlODBC writes " +
           file +
           " whenever none of its connections is open, each disconnect at least, even with "
           "CommLog=0 in the connection string\n",
       1},
  };
  for (const LoggingCase& c : cases) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "odbcinst.ini")
        << "[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n"
        << c.driver_section << "Logdir=" << folder.string() << "\n";
    std::string connection = demo_connection_string(Database::postgres, Literals::as_documented);
    connection += (connection.ends_with(";") ? "" : ";") + std::string(c.in_string);
    const ItemlookupRun result = itemlookup({"--connect", connection, "check"},
                                            "ODBCSYSINI=" + shell_quoted(folder.string()) + " ");
    const std::string shown = "  driver logging   " + c.detail;
    if (c.detail.empty()) {
      EXPECT_EQ(result.exit_status, 0) << c.name << "\n" << result.out;
      EXPECT_NE(result.out.find("  ok       driver logging   off: no driver manager trace, and no "
                                "log setting of psqlodbcw.so on\n"),
                std::string::npos)
          << c.name << "\n"
          << result.out;
    } else {
      EXPECT_EQ(result.exit_status, 2) << c.name << "\n" << result.out;
      EXPECT_NE(result.out.find("  PROBLEM" + shown), std::string::npos) << c.name << "\n"
                                                                         << result.out;
    }
    std::vector<std::filesystem::path> logs;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().filename() != "odbcinst.ini") logs.push_back(entry.path());
    }
    if (c.log_bytes_at_least == 0) {
      EXPECT_TRUE(logs.empty()) << c.name << ": " << (logs.empty() ? "" : logs[0].string());
    } else {
      ASSERT_EQ(logs.size(), 1u) << c.name;
      EXPECT_TRUE(logs[0].filename().string().starts_with("psqlodbc_itemlookup_")) << logs[0];
      EXPECT_GE(std::filesystem::file_size(logs[0]), c.log_bytes_at_least) << c.name;
    }
  }
}

class ItemlookupCheckOnEachServer : public testing::TestWithParam<Database> {
 protected:
  void SetUp() override { open_or_skip(GetParam()); }
};

TEST_P(ItemlookupCheckOnEachServer, NamesTheCollationOfKeyColumnsThatKeepTrailingSpaces) {
  const ItemlookupRun result =
      itemlookup({"--connect", trailing_space_keeping_demo(GetParam()), "check"});
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find("PROBLEM  trailing spaces  a key padded with spaces to its field "
                            "width finds no row in VNDADFIT.ADFIT_COD_ITEM, "
                            "VNDADFIT.ADFIT_COD_BARRAS, VNDADFIT.ADFIT_COD_EXTERNO, "
                            "VNDAITCL.AITCL_COD_ITEM, VNDAITCL.AITCL_ITEM_CLIENTE\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find(GetParam() == Database::postgres ? "fix: CHAR(n) key columns"
                                                             : "fix: COLLATE utf8mb4_bin"),
            std::string::npos)
      << result.out;
}

INSTANTIATE_TEST_SUITE_P(OnEachServer, ItemlookupCheckOnEachServer,
                         testing::ValuesIn(kServerDatabases),
                         [](const testing::TestParamInfo<Database>& info) {
                           return std::string(name(info.param));
                         });

struct HostRun {
  int exit_status = -1;
  std::string out;
  std::string err;
  bool waited_for_resume = false;  // still running when the paused backend was resumed
};

// Resumes a paused backend after a bound, so that a host that would wait for ever gets its answer
// late instead and fails the test, rather than hanging it.
class ResumeLater {
 public:
  explicit ResumeLater(pid_t paused)
      : thread_([this, paused] {
          std::unique_lock lock(mutex_);
          late_ = !done_.wait_for(lock, std::chrono::seconds(20), [this] { return ended_; });
          if (paused != 0) kill(paused, SIGCONT);
        }) {}
  ~ResumeLater() { host_ended(); }
  // Resumes the backend now; whether the bound had passed before.
  bool host_ended() {
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
    }
    done_.notify_one();
    if (thread_.joinable()) thread_.join();
    return late_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool ended_ = false;
  bool late_ = false;
  std::thread thread_;  // last: it starts once everything above is set
};

std::string file_text(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// What becomes of a host's backend between its two lookups.
enum class Backend {
  ended,   // ended from another session, as a server restart or an operator would end it
  paused,  // stopped with SIGSTOP until the host is done: it never answers, nor closes
};

// Runs a host that reads one lookup a line from standard input on the PostgreSQL demo tables,
// connected as `application`. After the first line, once its backend has run the lookup and
// waits for the next statement, that backend is ended or paused; then the second line goes in.
// `redirections` replaces the host's own (output and errors to files read back).
HostRun across_a_lost_backend(Backend backend, const std::string& command,
                              const std::string& application, const std::string& first,
                              const std::string& second,
                              const std::optional<std::string>& redirections = std::nullopt) {
  const std::filesystem::path out = std::filesystem::temp_directory_path() / (application + ".out");
  const std::filesystem::path err = std::filesystem::temp_directory_path() / (application + ".err");
  HostRun run;
  FILE* input = popen((command + redirections.value_or(" >" + shell_quoted(out.string()) + " 2>" +
                                                       shell_quoted(err.string())))
                          .c_str(),
                      "w");
  if (input == nullptr) return run;
  fputs(first.c_str(), input);
  fflush(input);
  OdbcSession& session = demo_database(Database::postgres);
  const std::string idle_backend = "SELECT pid FROM pg_stat_activity WHERE application_name = '" +
                                   application + "' AND state = 'idle' AND query LIKE '%VNDADFIT%'";
  std::vector<Row> rows;
  // Bounded only so that a host that never gets there fails the test instead of hanging it.
  for (int polls = 0; polls < 3000 && (rows = session.query(idle_backend)).empty(); ++polls) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_t paused = 0;
  if (rows.size() != 1 || !rows[0][0]) {
    ADD_FAILURE() << "no idle backend of " << application << " after its first lookup";
  } else if (backend == Backend::ended) {
    // Waits until the backend is gone, so the host's next statement meets a closed connection.
    session.query("SELECT pg_terminate_backend(" + *rows[0][0] + ", 30000)");
  } else if (kill(paused = std::stoi(*rows[0][0]), SIGSTOP) != 0) {
    ADD_FAILURE() << "cannot pause backend " << paused << ": " << std::strerror(errno);
    paused = 0;
  }
  fputs(second.c_str(), input);
  ResumeLater resume(paused);
  const int status = pclose(input);
  run.waited_for_resume = resume.host_ended();
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = file_text(out);
  run.err = file_text(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

std::string application_name(const std::string& host) {
  return host + "-" + std::to_string(getpid());
}

TEST(ItemlookupOnPostgres, ABatchGoesOnOnANewConnectionAfterItsBackendIsEnded) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const std::string application = application_name("itemlookup-retry");
  const std::string connection = demo_connection_string(Database::postgres, Literals::escaping) +
                                 "Pqopt={application_name=" + application + "};";
  const HostRun run = across_a_lost_backend(
      Backend::ended,
      shell_quoted(ITEMLOOKUP_BINARY) + " --connect " + shell_quoted(connection) + " batch",
      application, "item 1001\n", "item BARRA\\'S-1011\n");
  EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
  const std::size_t second = run.out.find("\n{\"line\":2,");
  ASSERT_NE(second, std::string::npos) << run.out;
  // Found on the new connection, whose session was made to read standard literals again.
  EXPECT_NE(run.out.find(R"("description":"SUPORTE DE PAREDE C:\\ITENS\\1011")", second),
            std::string::npos)
      << run.out;
  // The driver reads the server's "terminating connection" (57P01), or, when the reset of the
  // closed socket reaches it first, finds the connection lost (08S01): both are retried.
  const std::string retried = R"("found":true,"return_code":0,"retries":1,"retried_errors":[)"
                              R"({"sqlstate":")";
  const std::size_t state = run.out.find(retried, second);
  ASSERT_NE(state, std::string::npos) << run.out;
  EXPECT_THAT(run.out.substr(state + retried.size(), 5), testing::AnyOf("57P01", "08S01"))
      << run.out;
  EXPECT_NE(run.err.find("itemlookup: 2 lines: 2 found, 0 not found, 0 with warnings, 0 errors, "
                         "1 reconnect; "),
            std::string::npos)
      << run.err;
}

TEST(ItemlookupOnPostgres, ALookupOnAPausedBackendIsCutAfterTheTimeoutAndRetried) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const std::string application = application_name("itemlookup-timeout");
  const std::string connection =
      demo_connection_string(Database::postgres, Literals::as_documented) +
      "Pqopt={application_name=" + application + "};";
  const HostRun run = across_a_lost_backend(Backend::paused,
                                            shell_quoted(ITEMLOOKUP_BINARY) + " --connect " +
                                                shell_quoted(connection) + " --timeout 1 batch",
                                            application, "item 1001\n", "item 1002\n");
  EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
  EXPECT_FALSE(run.waited_for_resume);
  const std::size_t second = run.out.find("\n{\"line\":2,");
  ASSERT_NE(second, std::string::npos) << run.out;
  EXPECT_NE(run.out.find(R"("description":"SABONETE NEUTRO 90G")", second), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(R"("found":true,"return_code":0,"retries":1,"retried_errors":[)"
                         R"({"sqlstate":"08S01","native":35,"message":"no answer from the )"
                         R"(database in 1 s, so itemlookup cut the connection: )",
                         second),
            std::string::npos)
      << run.out;
}

// A descriptor the host inherits, as a parent or a peer would hand it over: not closed on exec.
void inherited(int descriptor) {
  fcntl(descriptor, F_SETFD, 0);
}

// Everything that is in the socket now, the writer having ended.
std::string drained(int descriptor) {
  std::string text;
  char chunk[4096];
  for (ssize_t got; (got = recv(descriptor, chunk, sizeof chunk, MSG_DONTWAIT)) > 0;) {
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return text;
}

// shutdown() acts on a socket for every process that shares it: a cut that reached the host's
// inherited sockets would stop its parent's listener, tell its peer the conversation ended, and
// lose its output when standard output is a socket also reached through another descriptor.
TEST(ItemlookupOnPostgres, TheCutReachesOnlyTheDatabasesSocketsNotTheInheritedOnes) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  int peer[2];
  int output[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, peer), 0);
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, output), 0);
  inherited(listener);
  inherited(peer[1]);
  inherited(output[1]);
  const std::string application = application_name("itemlookup-inherited");
  const std::string connection =
      demo_connection_string(Database::postgres, Literals::as_documented) +
      "Pqopt={application_name=" + application + "};";
  const HostRun run = across_a_lost_backend(Backend::paused,
                                            shell_quoted(ITEMLOOKUP_BINARY) + " --connect " +
                                                shell_quoted(connection) + " --timeout 1 batch",
                                            application, "item 1001\n", "item 1002\n",
                                            " 1>&" + std::to_string(output[1]) + " 2>/dev/null");
  close(output[1]);
  const std::string out = drained(output[0]);
  EXPECT_EQ(run.exit_status, 0) << out;
  EXPECT_FALSE(run.waited_for_resume);
  // Every line arrived, the second one retried after the cut.
  EXPECT_NE(out.find(R"({"line":1,"command":"item")"), std::string::npos) << out;
  EXPECT_NE(out.find(R"("description":"SABONETE NEUTRO 90G")"), std::string::npos) << out;
  EXPECT_NE(out.find(R"("retries":1,"retried_errors":[{"sqlstate":"08S01","native":35,)"
                     R"("message":"no answer from the database in 1 s, so itemlookup cut )"),
            std::string::npos)
      << out;
  // The peer's side is still open here, so only a shutdown could end its stream: it has nothing
  // to read, and no end.
  char byte = 0;
  EXPECT_EQ(recv(peer[0], &byte, 1, MSG_DONTWAIT), -1);
  EXPECT_EQ(errno, EAGAIN);
  // The listener still accepts.
  const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  EXPECT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
      << std::strerror(errno);
  pollfd waiting{listener, POLLIN, 0};
  EXPECT_EQ(poll(&waiting, 1, 10000), 1);
  const int accepted = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  EXPECT_GE(accepted, 0) << std::strerror(errno);
  for (int descriptor : {accepted, client, listener, peer[0], peer[1], output[0]}) {
    close(descriptor);
  }
}

// Started without standard input and error, the host would find the database's socket among its
// first three descriptors; it is cut all the same, and the answers still reach the output.
TEST(ItemlookupOnPostgres, APausedBackendIsCutWhenTheHostStartsWithoutStandardStreams) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const std::string application = application_name("itemlookup-no-streams");
  const std::string connection =
      demo_connection_string(Database::postgres, Literals::as_documented) +
      "Pqopt={application_name=" + application + "};";
  const std::filesystem::path out = std::filesystem::temp_directory_path() / (application + ".out");
  const HostRun run = across_a_lost_backend(
      Backend::paused,
      shell_quoted(ITEMLOOKUP_BINARY) + " --connect " + shell_quoted(connection) +
          " --timeout 1 batch /dev/fd/3",
      application, "item 1001\n", "item 1002\n", " 3<&0 0<&- 2>&- >" + shell_quoted(out.string()));
  EXPECT_FALSE(run.waited_for_resume);
  EXPECT_EQ(run.exit_status, 0) << run.out;
  EXPECT_NE(run.out.find(R"("item_code":"1002"})"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(R"("retries":1,"retried_errors":[{"sqlstate":"08S01")"), std::string::npos)
      << run.out;
}

// The connection string with another port.
std::string with_port(std::string connection, const std::string& port) {
  const std::size_t at = connection.find("Port=") + 5;
  return connection.replace(at, connection.find(';', at) - at, port);
}

std::string port_of(const std::string& connection) {
  const std::size_t at = connection.find("Port=") + 5;
  return connection.substr(at, connection.find(';', at) - at);
}

// A PgBouncer of the test's own in front of the throwaway server (pooler.sh), with one server
// connection in its pool; stopped at the end of the test.
class Pooler {
 public:
  Pooler() {
    FILE* started = popen(
        (shell_quoted(POOLER_SCRIPT) + " start " + shell_quoted(folder_) + " " +
         port_of(server_connection_string(Database::postgres)) + " " + std::to_string(getpid()))
            .c_str(),
        "r");
    if (started == nullptr) return;
    char line[32] = {};
    if (fgets(line, sizeof line, started) != nullptr) port_ = trimmed_line(line);
    if (pclose(started) != 0) port_.clear();
  }
  ~Pooler() {
    std::system((shell_quoted(POOLER_SCRIPT) + " stop " + shell_quoted(folder_)).c_str());
  }

  bool up() const { return !port_.empty(); }
  std::string connection(const std::string& application) const {
    return with_port(demo_connection_string(Database::postgres, Literals::as_documented), port_) +
           "Pqopt={application_name=" + application + "};";
  }

 private:
  static std::string trimmed_line(std::string line) {
    line.erase(line.find_last_not_of("\r\n") + 1);
    return line;
  }

  std::string folder_ =
      (std::filesystem::temp_directory_path() / ("itemlookup-pooler-" + std::to_string(getpid())))
          .string();
  std::string port_;
};

// Runs itemlookup through the pooler once its one server connection's backend is paused, output
// and errors together.
HostRun on_a_paused_pooled_backend(const Pooler& pooler, const std::string& application,
                                   const std::string& words) {
  const std::string itemlookup = shell_quoted(ITEMLOOKUP_BINARY) + " --connect " +
                                 shell_quoted(pooler.connection(application)) + " --timeout 2 ";
  HostRun run;
  // Puts a server connection in the pool, under this application's name.
  if (std::system((itemlookup + "item 1001 >/dev/null 2>&1").c_str()) != 0) {
    ADD_FAILURE() << "no lookup through the pooler";
    return run;
  }
  const std::vector<Row> rows =
      demo_database(Database::postgres)
          .query("SELECT pid FROM pg_stat_activity WHERE application_name = '" + application +
                 "' AND state = 'idle'");
  if (rows.size() != 1 || !rows[0][0]) {
    ADD_FAILURE() << "no idle pooled backend of " << application;
    return run;
  }
  const pid_t paused = std::stoi(*rows[0][0]);
  if (kill(paused, SIGSTOP) != 0) {
    ADD_FAILURE() << "cannot pause backend " << paused << ": " << std::strerror(errno);
    return run;
  }
  ResumeLater resume(paused);
  FILE* pipe = popen((itemlookup + words + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  for (std::size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    run.out.append(chunk, got);
  const int status = pclose(pipe);
  run.waited_for_resume = resume.host_ended();
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Behind a pooler, logging in is answered at once while every statement, those the driver sends
// as it connects included, waits for the paused server: the bound covers the connect and the
// session setup, and every statement of check, not only the lookups.
TEST(ItemlookupOnPostgres, CheckAndALookupBehindAPoolerWhoseServerIsPausedEndAtTheTimeout) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const Pooler pooler;
  ASSERT_TRUE(pooler.up()) << "no pooler started (" << POOLER_SCRIPT << ")";
  for (const std::string words : {"check", "item 1001"}) {
    const HostRun run = on_a_paused_pooled_backend(
        pooler, application_name("itemlookup-pooled-" + words.substr(0, 4)), words);
    EXPECT_EQ(run.exit_status, 2) << words << "\n" << run.out;
    EXPECT_FALSE(run.waited_for_resume) << words;
    EXPECT_NE(run.out.find("no answer from the database in 2 s, so itemlookup cut the connection"),
              std::string::npos)
        << words << "\n"
        << run.out;
  }
}

// A loopback address: the port given, or any free one for 0.
sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

// A listening socket on a free loopback port, closed at the end of the test.
class Listener {
 public:
  Listener() {
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    auto* const named = reinterpret_cast<sockaddr*>(&address);
    if (descriptor_ < 0 || bind(descriptor_, named, sizeof address) != 0 ||
        listen(descriptor_, 16) != 0 || getsockname(descriptor_, named, &length) != 0) {
      ADD_FAILURE() << "no listener: " << std::strerror(errno);
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { close(descriptor_); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int descriptor() const { return descriptor_; }
  std::string port() const { return std::to_string(port_); }

 private:
  const int descriptor_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int port_ = 0;
};

// How a parent leaves SIGALRM to the program it starts: exec passes both on.
enum class AlarmAtStart { blocked, ignored };

struct TimedRun {
  int exit_status = -1;  // -1: killed at the test's own bound
  std::chrono::steady_clock::duration took{};
  std::string err;
};

// Runs itemlookup as a parent that blocks or ignores SIGALRM would start it (some job schedulers
// and supervisors do), its output to /dev/null; killed once `most` has passed.
TimedRun itemlookup_started_with(AlarmAtStart alarm, const std::vector<std::string>& arguments,
                                 std::chrono::seconds most) {
  const std::string err = (std::filesystem::temp_directory_path() /
                           ("itemlookup-alarm-" + std::to_string(getpid()) + ".err"))
                              .string();
  std::vector<std::string> words = {ITEMLOOKUP_BINARY};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    sigset_t only_alarm;
    sigemptyset(&only_alarm);
    sigaddset(&only_alarm, SIGALRM);
    if (alarm == AlarmAtStart::blocked) {
      sigprocmask(SIG_BLOCK, &only_alarm, nullptr);
    } else {
      signal(SIGALRM, SIG_IGN);
    }
    dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  TimedRun run;
  int status = 0;
  while (child > 0 && waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - start > most) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.took = std::chrono::steady_clock::now() - start;
  run.exit_status = child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = file_text(err);
  std::filesystem::remove(err);
  return run;
}

// A server that accepts connections and never answers: the kernel completes each connect from
// the listener's backlog, and nothing reads what the driver sends. A parent that started the host
// with SIGALRM blocked or ignored does not take its bound away: the connect is cut, the run ends
// with status 2, and the message names the bound.
TEST(ItemlookupOnASilentServer, TheBoundHoldsWithSIGALRMBlockedOrIgnoredAtStart) {
  const Listener silent;
  const std::string connection =
      "DRIVER=PostgreSQL Unicode;Server=127.0.0.1;Port=" + silent.port() +
      ";Database=items;Uid=items;CommLog=0;";
  for (const AlarmAtStart alarm : {AlarmAtStart::blocked, AlarmAtStart::ignored}) {
    const char* name = alarm == AlarmAtStart::blocked ? "blocked" : "ignored";
    const TimedRun run = itemlookup_started_with(
        alarm, {"--connect", connection, "--timeout", "1", "--retries", "0", "item", "1001"},
        std::chrono::seconds(20));
    EXPECT_EQ(run.exit_status, 2) << name << "\n" << run.err;
    EXPECT_LT(run.took, std::chrono::seconds(10)) << name;
    EXPECT_NE(run.err.find("itemlookup: no answer from the database in 1 s, so itemlookup cut the "
                           "connection: cannot connect with "),
              std::string::npos)
        << name << "\n"
        << run.err;
  }
}

// Between the host and the server: passes every byte on as it comes, and keeps what the host
// sent. Serves one connection after another until the end of the test.
class RecordingRelay {
 public:
  explicit RecordingRelay(int server_port)
      : server_port_(server_port), thread_([this] { relay(); }) {}
  ~RecordingRelay() {
    stop_ = true;
    thread_.join();
  }
  RecordingRelay(const RecordingRelay&) = delete;
  RecordingRelay& operator=(const RecordingRelay&) = delete;

  std::string port() const { return listener_.port(); }
  // What the host sent, once each connection it made has ended (bounded so that a host that
  // keeps one open fails the test rather than hanging it).
  std::string sent_by_ended_host() {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, std::chrono::seconds(10), [this] { return made_ > 0 && open_ == 0; });
    return sent_;
  }

 private:
  struct Link {
    int host;
    int server;
  };

  // Passes on what `from` holds; false when it ended.
  bool pass(int from, int to, bool keep) {
    char chunk[16384];
    const ssize_t got = recv(from, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    if (keep) {
      std::lock_guard lock(mutex_);
      sent_.append(chunk, static_cast<std::size_t>(got));
    }
    return send(to, chunk, static_cast<std::size_t>(got), MSG_NOSIGNAL) == got;
  }

  void relay() {
    std::vector<Link> links;
    while (!stop_) {
      std::vector<pollfd> watched = {{listener_.descriptor(), POLLIN, 0}};
      for (const Link& link : links) {
        watched.push_back({link.host, POLLIN, 0});
        watched.push_back({link.server, POLLIN, 0});
      }
      if (poll(watched.data(), watched.size(), 50) <= 0) continue;
      std::vector<Link> still_open;
      for (std::size_t i = 0; i < links.size(); ++i) {
        const Link link = links[i];
        const bool from_host = watched[1 + 2 * i].revents != 0;
        const bool from_server = watched[2 + 2 * i].revents != 0;
        if ((!from_host || pass(link.host, link.server, true)) &&
            (!from_server || pass(link.server, link.host, false))) {
          still_open.push_back(link);
          continue;
        }
        close(link.host);
        close(link.server);
        std::lock_guard lock(mutex_);
        --open_;
        ended_.notify_all();
      }
      links = std::move(still_open);
      if (watched[0].revents == 0) continue;
      const Link link = {accept4(listener_.descriptor(), nullptr, nullptr, SOCK_CLOEXEC),
                         socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
      const sockaddr_in server = loopback(server_port_);
      if (link.host >= 0 && link.server >= 0 &&
          connect(link.server, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0) {
        links.push_back(link);
        std::lock_guard lock(mutex_);
        ++made_;
        ++open_;
      } else {
        close(link.host);
        close(link.server);
      }
    }
    for (const Link& link : links) {
      close(link.host);
      close(link.server);
    }
  }

  const Listener listener_;
  const int server_port_;
  std::mutex mutex_;
  std::condition_variable ended_;
  std::string sent_;
  int made_ = 0;
  int open_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;  // last: it starts once everything above is set
};

// Started with its standard output closed, the host keeps that number from the database's socket
// (a stand-in holds it): the lookup's output cannot be written, the run says so and ends with
// status 2, and nothing of the output reaches the server, which would read it as the protocol.
TEST(ItemlookupOnPostgres, WithStandardOutputClosedNoOutputReachesTheServer) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const std::string connection =
      demo_connection_string(Database::postgres, Literals::as_documented);
  RecordingRelay relay(std::stoi(port_of(connection)));
  const std::filesystem::path err = std::filesystem::temp_directory_path() /
                                    ("itemlookup-closed-output-" + std::to_string(getpid()));
  const int status = std::system((shell_quoted(ITEMLOOKUP_BINARY) + " --connect " +
                                  shell_quoted(with_port(connection, relay.port())) +
                                  " --json item 1001 >&- 2>" + shell_quoted(err.string()))
                                     .c_str());
  const std::string errors = file_text(err);
  std::filesystem::remove(err);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status << "\n" << errors;
  EXPECT_NE(errors.find("itemlookup: cannot write the output: Bad file descriptor\n"),
            std::string::npos)
      << errors;
  const std::string sent = relay.sent_by_ended_host();
  // The lookup went through the relay; its answer, found, only ever came the other way.
  EXPECT_NE(sent.find("FROM VNDADFIT WHERE ADFIT_COD_ITEM = '1001"), std::string::npos) << sent;
  EXPECT_EQ(sent.find("PARACETAMOL"), std::string::npos) << sent;
  EXPECT_EQ(sent.find(R"("command":"item")"), std::string::npos) << sent;
}

TEST(CHostOnPostgres, TheReadmeReconnectExampleConnectsAgainAndFindsTheItem) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  const std::string application = application_name("c-host-retry");
  const std::string connection =
      demo_connection_string(Database::postgres, Literals::as_documented) +
      "Pqopt={application_name=" + application + "};";
  const HostRun run = across_a_lost_backend(Backend::ended,
                                            shell_quoted(C_RECONNECT_HOST) + " " +
                                                shell_quoted(ITEM_LOOKUP_LIB_DIR "/VELDORIN.so") +
                                                " " + shell_quoted(connection),
                                            application, "1001\n", "1002\n");
  EXPECT_EQ(run.exit_status, 0) << run.err;
  // 57P01 when the driver reads the server's farewell, 08S01 when the socket's reset wins.
  const auto output = [](std::string_view state) {
    return "item 1001: PARACETAMOL 500MG 20 COMPRIMIDOS\n"
           "item 1002: " +
           std::string(state) +
           ", connecting again\n"
           "item 1002: SABONETE NEUTRO 90G\n";
  };
  EXPECT_THAT(run.out, testing::AnyOf(output("57P01"), output("08S01"))) << run.err;
}

INSTANTIATE_TEST_SUITE_P(OnEachDatabase, ItemlookupOnEachDatabase,
                         testing::ValuesIn(kEveryDatabase),
                         [](const testing::TestParamInfo<Database>& info) {
                           return std::string(name(info.param));
                         });

}  // namespace
}  // namespace database_integration
