// A driver's own reconnect. MariaDB Connector/ODBC can connect again by itself: inside the
// statement call that finds the link lost, it opens a new session and runs the statement there.
// That session has none of the host's setup (it may read a backslash in a key as an escape), and
// the driver has been seen to wait on it for ever or crash the host. The hosts connect again
// themselves, set the new session up before a key reaches it, and say so (lookup_retry), so every
// connection they open has the driver's own reconnect off, and one where it cannot be is refused.
//
// What each driver offers, as tried here:
// - MariaDB Connector/ODBC 3.1: AUTO_RECONNECT=1, or the bit 4194304 of OPTIONS (or OPTION), in
//   the connection string or the DSN's section of odbc.ini; the driver's section of odbcinst.ini
//   is not read. In the string the last of these wins, over the DSN as well; in the DSN,
//   AUTO_RECONNECT over the bit; the DSN is not read when the string names a DRIVER. With
//   USE_MYCNF=1 (the bit 65536) it also reads the MariaDB option files, where a `reconnect`
//   option turns the reconnect on whatever AUTO_RECONNECT says.
// - psqlODBC: none. A lost connection fails the statement (08S01, 57P01) and stays lost.
// - SQLite's driver: none; it opens a file, with no link to lose.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace itemlookup {

// Why a connection must not reconnect by itself, for messages: "the driver connects again ...".
std::string_view driver_reconnect_harm();

// The connection string a host connects with: the one given, with AUTO_RECONNECT=0 as its last
// attribute. A driver that does not know the name passes over it.
std::string with_driver_reconnect_off(std::string_view connection_string);

// One setting that turns the driver's own reconnect on, and where.
struct ReconnectSetting {
  std::string setting;  // "AUTO_RECONNECT=1", "OPTIONS=4194306"
  std::string source;   // "the connection string", "the DSN's section [items] of odbc.ini"
  std::string fix;      // the setting that turns it off there
  bool read = true;     // false: where the driver does not read it (its section of odbcinst.ini)
};

// The setting that turns the driver's own reconnect on for a connection with this string through
// the driver `driver_file` (SQL_DRIVER_NAME, e.g. "libmaodbc.so"), read as the driver reads it;
// failing that, one in the driver's section of odbcinst.ini, which asks for it though the driver
// does not read it there; nothing when it is off, or the driver has none.
std::optional<ReconnectSetting> driver_reconnect_setting(std::string_view connection_string,
                                                         std::string_view driver_file);

// Why a host must not use a connection made with `connected_with` through `driver_file`: its
// driver may still connect again by itself. Nothing when it cannot.
std::optional<std::string> driver_reconnect_refusal(std::string_view connected_with,
                                                    std::string_view driver_file);

// What the driver offers, for a connection on which its own reconnect is off: "off: ...",
// "none: ...".
std::string driver_reconnect_off(std::string_view driver_file);

}  // namespace itemlookup
