// itemlookup on every engine, given the connection an operator might give it: keys that end
// their literal early wherever a backslash escapes find only their own row, because itemlookup
// makes the session read standard literals; `check` names what such a connection lacks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo_databases.hpp"

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
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("psqlodbc-logs-" + std::to_string(getpid()));
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
  std::filesystem::remove_all(folder);
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
HostRun across_a_lost_backend(Backend backend, const std::string& command,
                              const std::string& application, const std::string& first,
                              const std::string& second) {
  const std::filesystem::path out = std::filesystem::temp_directory_path() / (application + ".out");
  const std::filesystem::path err = std::filesystem::temp_directory_path() / (application + ".err");
  HostRun run;
  FILE* input = popen(
      (command + " >" + shell_quoted(out.string()) + " 2>" + shell_quoted(err.string())).c_str(),
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
  // A host that would wait for ever gets its answer late instead, and fails the test.
  std::mutex mutex;
  std::condition_variable done;
  bool closed = false;
  std::thread resume([&] {
    std::unique_lock lock(mutex);
    done.wait_for(lock, std::chrono::seconds(20), [&] { return closed; });
    if (paused != 0) kill(paused, SIGCONT);
  });
  const int status = pclose(input);
  {
    std::lock_guard lock(mutex);
    closed = true;
  }
  done.notify_one();
  resume.join();
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
