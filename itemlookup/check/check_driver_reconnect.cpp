// Finding "auto reconnect": whether the connection, as given, has the driver connect again by
// itself (driver_reconnect.hpp). itemlookup turns that off for its own connections; this names
// it for the other hosts that connect the same way.
#include "check/check_findings.hpp"
#include "connection/driver_reconnect.hpp"

namespace itemlookup {

void check_driver_reconnect(CheckContext& context) {
  const std::string& driver = context.report.engine.driver;
  const std::optional<ReconnectSetting> setting =
      driver_reconnect_setting(context.connection.connection_string(), driver);
  if (!setting) {
    context.report.add("auto reconnect", true, driver_reconnect_off(driver));
    return;
  }
  // Not read there by the driver tried, it still asks for the reconnect, for any that reads it.
  const std::string unread =
      setting->read ? "" : " (not read there by MariaDB Connector/ODBC 3.1, but asking for it)";
  context.report.add(
      "auto reconnect", false,
      setting->setting + " in " + setting->source + unread + ": " +
          std::string(driver_reconnect_harm()) +
          "; itemlookup turns it off for its own connections, other hosts connecting so do not",
      setting->fix +
          "; a host connects again itself, and sets the new session up, as itemlookup and the C "
          "example do (docs/host-interface.md)");
}

}  // namespace itemlookup
