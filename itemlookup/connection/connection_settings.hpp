// What a driver reads for a connection besides the connection string's own words: the attributes
// of the string as drivers split it, and the keys of the DSN's section of odbc.ini or of a
// driver's section of odbcinst.ini, read through the driver manager's own ini reader
// (SQLGetPrivateProfileString), which looks in the user's file and then the system's, as the
// drivers do.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace itemlookup {

// Names of attributes and ini keys compare without letter case.
bool same_name(std::string_view a, std::string_view b);
std::string_view blank_trimmed(std::string_view text);

// One attribute of a connection string, its name as written there.
struct ConnectionAttribute {
  std::string name;
  std::string value;
};

// The last attribute of an ODBC connection string named by any of `keys`: the one the drivers
// keep when several are given. Names and values are trimmed of blanks; braces around a value are
// dropped, and a braced value ends at the first closing brace, holding any semicolon before it
// (one left open holds the rest of the string).
std::optional<ConnectionAttribute> last_attribute(std::string_view connection_string,
                                                  std::initializer_list<std::string_view> keys);
// The value of the last attribute named `key`.
std::optional<std::string> connection_attribute(std::string_view connection_string,
                                                std::string_view key);

// A key of a section of "odbc.ini" or "odbcinst.ini", trimmed; nothing when absent or empty.
std::optional<std::string> ini_value(const std::string& section, const char* key, const char* file);

}  // namespace itemlookup
