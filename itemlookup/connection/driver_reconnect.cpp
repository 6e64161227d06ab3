#include "connection/driver_reconnect.hpp"

#include <cstdlib>

#include "connection/connection_settings.hpp"

namespace itemlookup {

namespace {

// A switch of MariaDB Connector/ODBC: a name of its own, and a bit of its OPTIONS mask.
struct MariaSwitch {
  const char* name;
  unsigned long bit;
};
constexpr MariaSwitch kAutoReconnect = {"AUTO_RECONNECT", 4194304};
constexpr MariaSwitch kOptionFiles = {"USE_MYCNF", 65536};

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool mariadb_driver(std::string_view driver_file) {
  return contains(driver_file, "maodbc");
}

// As the driver reads a number: decimal, what follows the digits passed over, no digits 0.
unsigned long number(const std::string& value) {
  return std::strtoul(value.c_str(), nullptr, 10);
}

struct SwitchReading {
  bool on = false;
  std::string setting;  // as written where it was found
  std::string source;
  std::string fix;  // the switch's own name at 0, where it wins
};

// A value of the switch's own name gives it whole; an options mask, its bit.
bool switched_on(const MariaSwitch& entry, std::string_view name, const std::string& value) {
  return same_name(name, entry.name) ? number(value) != 0 : (number(value) & entry.bit) != 0;
}

// The switch as the driver reads it for a connection with this string: nothing when neither the
// string nor the DSN gives it (the driver's default, off).
std::optional<SwitchReading> read_switch(std::string_view connection_string,
                                         const MariaSwitch& entry) {
  if (const auto given = last_attribute(connection_string, {entry.name, "OPTIONS", "OPTION"})) {
    return SwitchReading{switched_on(entry, given->name, given->value),
                         given->name + "=" + given->value, "the connection string",
                         std::string(entry.name) + "=0 at the end of the connection string"};
  }
  const std::optional<std::string> dsn = connection_attribute(connection_string, "DSN");
  const std::optional<std::string> driver = connection_attribute(connection_string, "DRIVER");
  if (!dsn || dsn->empty() || (driver && !driver->empty())) return std::nullopt;
  const std::string source = "the DSN's section [" + *dsn + "] of odbc.ini";
  const std::string fix = std::string(entry.name) + "=0 in [" + *dsn + "] of odbc.ini";
  if (const auto value = ini_value(*dsn, entry.name, "odbc.ini")) {
    return SwitchReading{switched_on(entry, entry.name, *value),
                         std::string(entry.name) + "=" + *value, source, fix};
  }
  // OPTION only stands in for an OPTIONS that is missing or 0.
  std::optional<SwitchReading> found;
  for (const char* mask : {"OPTIONS", "OPTION"}) {
    const auto value = ini_value(*dsn, mask, "odbc.ini");
    if (!value) continue;
    found = SwitchReading{switched_on(entry, mask, *value), std::string(mask) + "=" + *value,
                          source, fix};
    if (number(*value) != 0) break;
  }
  return found;
}

// The driver's section of odbcinst.ini for a connection with this string: the one its DRIVER
// names, or failing that its DSN's Driver; nothing when either names the driver's file instead.
std::optional<std::string> driver_section(std::string_view connection_string) {
  std::optional<std::string> driver = connection_attribute(connection_string, "DRIVER");
  if (!driver || driver->empty()) {
    const std::optional<std::string> dsn = connection_attribute(connection_string, "DSN");
    if (dsn && !dsn->empty()) driver = ini_value(*dsn, "Driver", "odbc.ini");
  }
  if (!driver || driver->empty() || contains(*driver, "/")) return std::nullopt;
  return driver;
}

// A reconnect asked for in the driver's section of odbcinst.ini.
std::optional<ReconnectSetting> reconnect_in_driver_section(std::string_view connection_string) {
  const std::optional<std::string> section = driver_section(connection_string);
  if (!section) return std::nullopt;
  for (const char* key : {kAutoReconnect.name, "OPTIONS", "OPTION"}) {
    const std::optional<std::string> value = ini_value(*section, key, "odbcinst.ini");
    if (value && switched_on(kAutoReconnect, key, *value)) {
      return ReconnectSetting{
          std::string(key) + "=" + *value,
          "the driver's section [" + *section + "] of odbcinst.ini",
          "remove it from [" + *section + "] of odbcinst.ini (odbcinst -j names the file)", false};
    }
  }
  return std::nullopt;
}

// How a refusal ends, before its fix.
const std::string kRefused = "; itemlookup does not use such a connection.\n  To fix: ";

}  // namespace

std::string_view driver_reconnect_harm() {
  return "the driver connects again by itself when the connection is lost and runs the "
         "statement at hand on the new session, which has none of the host's setup (a key there "
         "may read a backslash as an escape), and it has been seen to wait there for ever or "
         "crash the host";
}

std::string with_driver_reconnect_off(std::string_view connection_string) {
  std::string text(connection_string);
  const std::size_t last = text.find_last_not_of(" \t");
  // An empty attribute would make the driver read ";AUTO_RECONNECT" as the name.
  if (last != std::string::npos && text[last] != ';') text += ';';
  return text + "AUTO_RECONNECT=0;";
}

std::optional<ReconnectSetting> driver_reconnect_setting(std::string_view connection_string,
                                                         std::string_view driver_file) {
  if (!mariadb_driver(driver_file)) return std::nullopt;
  const std::optional<SwitchReading> reading = read_switch(connection_string, kAutoReconnect);
  if (!reading || !reading->on) return reconnect_in_driver_section(connection_string);
  return ReconnectSetting{reading->setting, reading->source, reading->fix};
}

std::optional<std::string> driver_reconnect_refusal(std::string_view connected_with,
                                                    std::string_view driver_file) {
  if (!mariadb_driver(driver_file)) return std::nullopt;
  if (const std::optional<SwitchReading> files = read_switch(connected_with, kOptionFiles);
      files && files->on) {
    return files->setting + " in " + files->source +
           " has MariaDB Connector/ODBC read the MariaDB option files (my.cnf), where a "
           "reconnect option turns its own reconnect on whatever AUTO_RECONNECT says: " +
           std::string(driver_reconnect_harm()) + kRefused + files->fix +
           ", with what the option files gave set in the DSN itself";
  }
  // Only when the attribute added last did not reach the driver as an attribute of its own.
  if (const std::optional<SwitchReading> reconnect = read_switch(connected_with, kAutoReconnect);
      reconnect && reconnect->on) {
    return reconnect->setting + " in " + reconnect->source +
           " turns MariaDB Connector/ODBC's own reconnect on, and the AUTO_RECONNECT=0 that "
           "itemlookup adds at the end of the connection string does not reach the driver (a "
           "brace left open, or words without '=', take it in): " +
           std::string(driver_reconnect_harm()) + kRefused +
           "close every brace of the connection string and end it with a whole NAME=value";
  }
  return std::nullopt;
}

std::string driver_reconnect_off(std::string_view driver_file) {
  if (mariadb_driver(driver_file)) {
    return "off: neither AUTO_RECONNECT nor the OPTIONS bit 4194304 is on for " +
           std::string(driver_file);
  }
  if (contains(driver_file, "psqlodbc")) {
    return "none: " + std::string(driver_file) +
           " reports a lost connection and never connects again by itself";
  }
  if (contains(driver_file, "sqlite")) {
    return "none: " + std::string(driver_file) + " opens a file, with no connection to lose";
  }
  return "no setting of " +
         (driver_file.empty() ? std::string("the driver") : std::string(driver_file)) +
         " known to itemlookup; its own connections end with AUTO_RECONNECT=0";
}

}  // namespace itemlookup
