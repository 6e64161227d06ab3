#include "command/help_text.hpp"

#include <filesystem>

#include "lookup/lookup_catalog.hpp"
#include "lookup/lookup_request.hpp"
#include "platform/help_words.hpp"
#include "platform/shared_library.hpp"
#include "platform/system_places.hpp"

namespace itemlookup {

namespace {

// Between a folder and what is in it, as the operator writes it.
const std::string kSeparator(1, static_cast<char>(std::filesystem::path::preferred_separator));

}  // namespace

std::string help_text() {
  std::string text =
      "usage: itemlookup [OPTIONS] LOOKUP ARGUMENTS...\n"
      "       itemlookup [OPTIONS] batch [FILE|-]\n"
      "       itemlookup [OPTIONS] check\n"
      "       itemlookup help\n"
      "\n"
      "Lookups:\n";
  for (const LookupCommand& command : lookup_commands()) {
    text += "  " + command_usage(command) + "\n      " + std::string(command.summary) + " (" +
            std::string(command.module.entry_name) + " function " + command.function_code + ")\n";
  }
  text +=
      "\n"
      "KIND is the customer kind (one character, e.g. C); CODE is the customer code, 1 to 5\n"
      "digits ('42' is customer 00042).\n"
      "\n"
      "batch reads one lookup per line from FILE, or standard input when FILE is '-' or left\n"
      "out: a lookup and its arguments, separated by blanks or commas (CSV), double quotes\n"
      "around a value holding either. Blank lines and lines starting with '#' are skipped.\n"
      "Each lookup gives one JSON line; a line that cannot run gives {\"line\":N,\"error\":...}.\n"
      "\n"
      "check looks at the connection as given, before any host uses it: the engine and driver,\n"
      "whether string literals are read as standard SQL, autocommit, driver logging (the driver\n"
      "manager's trace, psqlODBC's CommLog and Debug, MariaDB's TRACE, and where each is set),\n"
      "a standby's replay lag or a Galera node's state, both tables and their columns, how key\n"
      "columns compare trailing spaces and letter case, the host modules, one lookup of each\n"
      "module, then itemlookup's own session setting. Each finding reads ok or names the fix;\n"
      "exit status 0 when all are ok, 2 otherwise.\n"
      "Lookups and batch make every session read standard literals themselves, or refuse.\n"
      "\n"
      "Options:\n"
      "  --connect STRING  ODBC connection string of the database\n"
      "  --dsn NAME        ODBC data source name of the database\n"
      "  --kind KIND       database kind passed to the modules (e.g. SQLSERVER); blank if absent\n"
      "  --demo-db FILE    SQLite demo database used when no connection is given; created on\n"
      "                    first use (default " +
      std::string(platform::kUserDataFolderWords) + kSeparator + "item-lookup" + kSeparator +
      "demo.db)\n"
      "  --modules DIR     directory of VELDORIN" +
      platform::kLibrarySuffix + ", MARQUETH" + platform::kLibrarySuffix + " and PGMS" +
      kSeparator +
      "\n"
      "  --json            print one JSON object instead of a table\n"
      "  --encoding ENC    how text fields are read: utf8 (default) or latin1\n"
      "  --retries N       runs a lookup that lost its connection again, on a new one, up to N\n"
      "                    times (0 to 10, default 3)\n" +
      platform::kTimeoutHelp +
      "  --version         print the version and stop\n"
      "  --                end of the options: every word after it is the lookup's\n"
      "\n"
      "A lookup during which the database reported an error shows it (\"error\" in JSON) and\n"
      "is not a missing item. Warnings (a value cut by its field, digits or a sign lost, text\n"
      "that is not valid UTF-8) keep the lookup found and are shown with it (\"warnings\").\n"
      "A lookup whose connection was lost (SQLSTATE class 08, 57P01 to 57P03, or any error\n"
      "after which the driver says the connection is dead) or that a hot standby cancelled\n"
      "(40001) runs again on a new connection; the JSON line then carries \"retries\" and\n"
      "\"retried_errors\". Other errors are not retried.\n"
      "batch ends with a summary on standard error: lines found, not found, with warnings,\n"
      "errors, new connections if any, and lookups per second.\n"
      "\n"
      "Exit status: 0 found (batch: no line had an error), 1 not found, 2 usage, connection,\n"
      "module, database or output errors (batch: some line was malformed or failed).\n";
  return text;
}

}  // namespace itemlookup
