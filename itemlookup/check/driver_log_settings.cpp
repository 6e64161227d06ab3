#include "check/driver_log_settings.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <span>

#include "connection/connection_settings.hpp"

namespace itemlookup {

namespace {

// A value as the drivers read a switch: a number above zero, or a word for yes.
bool switched_on(std::string_view value) {
  value = blank_trimmed(value);
  for (const std::string_view yes : {"yes", "true", "on"}) {
    if (same_name(value, yes)) return true;
  }
  return std::atol(std::string(value).c_str()) > 0;
}

// A per-connection switch: its name, the short name the driver also takes in a connection
// string, and, for a bit of an options mask, the mask's names and the bit.
struct Switch {
  const char* name;
  const char* short_name;     // may be empty
  const char* mask_names[2];  // empty: not in a mask
  unsigned long mask_bit;
  std::string_view writes;  // what the driver writes
  std::string_view file;    // the file it writes, in its log folder
};

struct SwitchReading {
  bool on = false;
  std::string name;     // the one to set to 0
  std::string setting;  // as written where it was found
};

// The switch as one place gives it: a value there hides any other place. Short names count in
// a connection string only; the drivers read full names from the ini files.
std::optional<SwitchReading> read_switch(
    const Switch& entry, bool short_names,
    const std::function<std::optional<std::string>(const char*)>& lookup) {
  for (const char* name : {entry.name, entry.short_name}) {
    if (name[0] == '\0' || (!short_names && name == entry.short_name)) continue;
    if (const auto value = lookup(name)) {
      return SwitchReading{switched_on(*value), name, std::string(name) + "=" + *value};
    }
  }
  for (const char* name : entry.mask_names) {
    if (name == nullptr || name[0] == '\0') continue;
    if (const auto value = lookup(name)) {
      const bool on = (std::strtoul(value->c_str(), nullptr, 0) & entry.mask_bit) != 0;
      return SwitchReading{on, entry.name, std::string(name) + "=" + *value};
    }
  }
  return std::nullopt;
}

const Switch kPsqlSwitches[] = {
    {"CommLog",
     "B3",
     {"", ""},
     0,
     "psqlODBC writes every statement and its answer",
     "psqlodbc_<program>_<user><pid>.log"},
    {"Debug",
     "B2",
     {"", ""},
     0,
     "psqlODBC writes every driver call",
     "mylog_<program>_<user><pid>.log"},
};
const Switch kMariaSwitches[] = {
    {"TRACE",
     "",
     {"OPTIONS", "OPTION"},
     4,
     "MariaDB Connector/ODBC writes every call",
     "maodbc.log"},
};

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The section of odbcinst.ini psqlODBC reads its process-wide defaults from: the driver's own
// name, whatever name the connection gave the driver (psqlODBC 13, as tried here).
std::string psql_own_section(std::string_view driver_file) {
  if (contains(driver_file, "psqlodbca")) return "PostgreSQL ANSI";
  if (contains(driver_file, "psqlodbcw")) return "PostgreSQL Unicode";
  return {};
}

std::vector<LogSetting> connection_switches(std::string_view connection_string,
                                            std::span<const Switch> switches,
                                            std::string_view folder) {
  const std::optional<std::string> dsn = connection_attribute(connection_string, "DSN");
  std::vector<LogSetting> found;
  for (const Switch& entry : switches) {
    const std::string effect = std::string(entry.writes) + " to " + std::string(folder) + "/" +
                               std::string(entry.file) + ", a write in every lookup";
    const auto in_string = read_switch(
        entry, true, [&](const char* key) { return connection_attribute(connection_string, key); });
    if (in_string) {
      if (in_string->on) {
        found.push_back({in_string->setting, "the connection string", effect,
                         in_string->name + "=0 in the connection string"});
      }
      continue;
    }
    if (!dsn) continue;
    const auto in_dsn = read_switch(
        entry, false, [&](const char* key) { return ini_value(*dsn, key, "odbc.ini"); });
    if (in_dsn && in_dsn->on) {
      found.push_back({in_dsn->setting, "the DSN's section [" + *dsn + "] of odbc.ini", effect,
                       in_dsn->name + "=0 in [" + *dsn + "] of odbc.ini, or " + entry.name +
                           "=0 in the connection string"});
    }
  }
  return found;
}

}  // namespace

std::vector<LogSetting> driver_log_settings(std::string_view connection_string,
                                            std::string_view driver_file) {
  if (contains(driver_file, "maodbc")) {
    // It writes to the home folder, or /tmp without one (as seen with 3.1.15).
    const char* home = std::getenv("HOME");
    return connection_switches(connection_string, kMariaSwitches,
                               home != nullptr && home[0] != '\0' ? home : "/tmp");
  }
  const std::string section = psql_own_section(driver_file);
  if (section.empty()) return {};
  const std::string folder = ini_value(section, "Logdir", "odbcinst.ini").value_or("/tmp");
  std::vector<LogSetting> found = connection_switches(connection_string, kPsqlSwitches, folder);
  // The driver's own section is its default whenever no connection of the process is open: with
  // CommLog=1 there, a process that connected with CommLog=0 still writes its disconnect to a
  // file of its own.
  for (const Switch& entry : kPsqlSwitches) {
    const auto value = ini_value(section, entry.name, "odbcinst.ini");
    if (!value || !switched_on(*value)) continue;
    found.push_back({std::string(entry.name) + "=" + *value,
                     "the driver's own section [" + section + "] of odbcinst.ini",
                     "every process that loads psqlODBC writes " + folder + "/" +
                         std::string(entry.file) +
                         " whenever none of its connections is open, each disconnect at least, "
                         "even with " +
                         entry.name + "=0 in the connection string",
                     std::string(entry.name) + "=0 in [" + section +
                         "] of odbcinst.ini (odbcinst -j names the file)"});
  }
  return found;
}

}  // namespace itemlookup
