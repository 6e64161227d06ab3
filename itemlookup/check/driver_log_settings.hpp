// Where a driver's own logging is turned on for a connection: the connection string, the DSN's
// section of odbc.ini, or the driver's own section of odbcinst.ini. A log on costs every lookup a
// write, and leaves a file in the system's temporary folder for every process.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace itemlookup {

// One logging setting found on, with what it does and how to turn it off where it is set.
struct LogSetting {
  std::string setting;  // "CommLog=1"
  std::string source;   // "the connection string", "the DSN's section [items] of odbc.ini", ...
  std::string effect;   // what it writes, and where
  std::string fix;      // the exact setting to change, and where
};

// The logging settings that are on for this connection of the driver `driver_file`
// (SQL_DRIVER_NAME, e.g. "psqlodbcw.so"). Only psqlODBC (CommLog, Debug) and MariaDB
// Connector/ODBC (TRACE, the OPTIONS bit 4) have such settings; any other driver gives none.
// The DSN and the driver's section are read through the driver manager's own ini reader
// (SQLGetPrivateProfileString), as the drivers read them.
std::vector<LogSetting> driver_log_settings(std::string_view connection_string,
                                            std::string_view driver_file);

}  // namespace itemlookup
