#include "command/host_run.hpp"

#include <iostream>
#include <utility>

#include "batch/batch_mode.hpp"
#include "build_layout.hpp"
#include "check/connection_check.hpp"
#include "command/connection_choice.hpp"
#include "command/failed_run.hpp"
#include "command/help_text.hpp"
#include "command/install_layout.hpp"
#include "connection/database_engine.hpp"
#include "connection/last_words.hpp"
#include "connection/lookup_watchdog.hpp"
#include "connection/odbc_connection.hpp"
#include "errors_and_text/cannot_run.hpp"
#include "lookup/lookup_retry.hpp"
#include "lookup/module_loader.hpp"
#include "report/lookup_report.hpp"
#include "report/output_sink.hpp"

namespace itemlookup {

namespace {

namespace fs = std::filesystem;

// The subcommand's own words, without a "--" that only ended the host's options.
std::vector<std::string> subcommand_arguments(const HostOptions& options) {
  std::vector<std::string> arguments(options.words.begin() + 1, options.words.end());
  if (!arguments.empty() && arguments.front() == "--") arguments.erase(arguments.begin());
  return arguments;
}

// The modules find PGMS/ relative to the current directory, so lookups run from the module
// directory. Connection strings and file names were resolved before this.
void enter_module_directory(const fs::path& directory) {
  std::error_code error;
  fs::current_path(directory, error);
  if (error) {
    throw CannotRun("cannot change to the module directory " + directory.string() + ": " +
                    error.message());
  }
}

// How the session is left before the first lookup.
enum class Session {
  standard_literals,  // made to read standard string literals, or refused
  as_given,           // as the connection string left it: what `check` looks at
};

// What the host modules must answer before the first lookup. A lookup whose outcome the host
// cannot classify does not run: without the message module a database error reads as a missing
// item, without the converter every number as zero.
enum class Answers {
  reported,              // `check` runs whatever is missing: its findings name it
  messages,              // lookups that convert no number
  messages_and_numbers,  // lookups that convert numbers, and a batch, which may hold any lookup
};

// What the run needs from the host modules, given its lookup.
Answers answers_for(const LookupCommand& command) {
  return command.conversions.empty() ? Answers::messages : Answers::messages_and_numbers;
}

// Connects once the host modules answer what the run needs: a run that could not tell its
// outcomes apart stops before it touches the database. Keys reach the database as standard SQL
// literals: for lookups the connection proves its session reads them so after every connect,
// and refuses keys otherwise.
OdbcConnection connect_when_answered(const HostOptions& options, const HostModuleChannel& channel,
                                     Session session, Answers answers) {
  if (answers != Answers::reported) {
    std::string problem = channel.message_module_problem();
    if (problem.empty() && answers == Answers::messages_and_numbers)
      problem = channel.converter_problem();
    if (!problem.empty()) throw CannotRun(problem + "; no lookup runs");
  }
  SessionSetup setup;
  if (session == Session::standard_literals) setup = set_up_standard_literals;
  return OdbcConnection(chosen_connection_string(options), std::move(setup));
}

// A step whose wait the watchdog cut fails for that reason, and its message says so.
template <typename Step>
auto naming_a_cut(Step step) {
  const CutsSince cuts;
  try {
    return step();
  } catch (const CannotRun& error) {
    if (cuts.any()) throw CannotRun(after_cut(error.what()));
    throw;
  }
}

// Everything a lookup needs, in the order it must be set up: the modules load first (a missing
// one stops the run before connecting), then the bound on waits, the connection, then the
// directory change.
struct HostSetup {
  HostSetup(const HostOptions& options, Session session, Answers answers)
      : directory(options.module_directory.value_or(default_module_directory())),
        modules(directory),
        channel(directory),
        watchdog(std::chrono::seconds(options.timeout_seconds)),
        connection(naming_a_cut(
            [&] { return connect_when_answered(options, channel, session, answers); })),
        host(modules, connection, options.database_kind, &channel, options.latin1),
        lookups(host_retry_steps(host, connection), options.retries) {
    // Each message is shown once, with the lookup it belongs to.
    channel.quiet_message_module();
    enter_module_directory(directory);
  }

  fs::path directory;
  ModuleSet modules;
  HostModuleChannel channel;
  LookupWatchdog watchdog;  // before the connection: its first connect is a wait too
  OdbcConnection connection;
  LookupHost host;
  RetryingLookups lookups;  // what lookups and batch run: a lost connection is not the answer
};

int run_batch_command(const HostOptions& options) {
  const std::vector<std::string> arguments = subcommand_arguments(options);
  if (arguments.size() > 1) throw CannotRun("batch takes at most one FILE");
  // Opened before the host changes directory, so a relative FILE means what the operator meant.
  BatchInput input(arguments.empty() ? "-" : arguments[0]);
  HostSetup setup(options, Session::standard_literals, Answers::messages_and_numbers);
  const BatchSummary summary = run_batch(setup.lookups, input);
  report_summary(summary);
  return summary.clean() ? kExitFound : kExitTrouble;
}

int run_single_lookup(const HostOptions& options) {
  // Checked before connecting: a bad request never reaches the database.
  const LookupRequest request = parse_lookup_request(options.words);
  HostSetup setup(options, Session::standard_literals, answers_for(*request.command));
  const LastWords last_words([&](const std::string& why) {
    LookupResult ended = timed_out_lookup(request, why);
    ended.latin1 = options.latin1;
    write_output(options.json ? lookup_json(ended) + "\n" : lookup_table(ended));
    flush_output();
  });
  const LookupResult result = setup.lookups.run(request);
  write_output(options.json ? lookup_json(result) + "\n" : lookup_table(result));
  flush_output();
  if (result.failed()) return kExitTrouble;
  return result.found() ? kExitFound : kExitNotFound;
}

void write_check(const HostOptions& options, const CheckReport& report) {
  write_output(options.json ? check_json(report) + "\n" : check_table(report));
  flush_output();
}

int run_check(const HostOptions& options) {
  if (!subcommand_arguments(options).empty()) throw CannotRun("check takes no arguments");
  HostSetup setup(options, Session::as_given, Answers::reported);
  constexpr const char* kTimeoutFix =
      "find out why the database does not answer (a paused or overloaded server, a lock, the "
      "network), then check again";
  CheckReport report;
  // Should the run end while a finding waits: the findings so far, and why the rest is missing.
  const LastWords last_words([&](const std::string& why) {
    CheckReport ended = report;
    ended.add("timeout", false, why + "; the findings that would follow were not made",
              kTimeoutFix);
    write_check(options, ended);
  });
  const CutsSince cuts;
  naming_a_cut(
      [&] { check_connection(setup.connection, setup.host, setup.channel.problems(), report); });
  // The findings from the cut on saw a lost connection, not the database as it is.
  if (cuts.any()) {
    report.add("timeout", false,
               after_cut("every finding from then on saw a lost connection, not the database"),
               kTimeoutFix);
  }
  write_check(options, report);
  return report.problems() == 0 ? kExitFound : kExitTrouble;
}

}  // namespace

int run_host(const HostOptions& options) {
  if (options.version) {
    write_output(std::string("itemlookup ") + build_layout::kVersion + "\n");
    flush_output();
    return kExitFound;
  }
  if (options.words.empty()) {
    throw CannotRun("no lookup given (try 'itemlookup help')");
  }
  const std::string& subcommand = options.words[0];
  if (subcommand == "help") {
    write_output(help_text());
    flush_output();
    return kExitFound;
  }
  // Should the run end while it connects, before a step has anything of its own to write.
  const LastWords last_words([&](const std::string& why) { report_failed_run(options.json, why); });
  if (subcommand == "batch") return run_batch_command(options);
  if (subcommand == "check") return run_check(options);
  return run_single_lookup(options);
}

}  // namespace itemlookup
