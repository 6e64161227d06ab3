// Finding "driver logging": whether the driver manager's trace or the driver's own log is on.
// Either writes a line for every call or statement, which slows every lookup, and leaves a file
// in the temporary folder for every process that connects. The driver manager's trace is read
// from the driver manager itself (SQL_ATTR_TRACE); the driver's settings from the connection
// string and the ini files it reads (driver_log_settings).
#include <sqlext.h>

#include "check/check_findings.hpp"
#include "check/driver_log_settings.hpp"

namespace itemlookup {

namespace {

// Where the driver manager writes its trace; empty when it does not say.
std::string trace_file(SQLHDBC connection) {
  char file[1024] = {};
  SQLINTEGER length = 0;
  if (!SQL_SUCCEEDED(SQLGetConnectAttr(connection, SQL_ATTR_TRACEFILE, file,
                                       static_cast<SQLINTEGER>(sizeof file), &length))) {
    return {};
  }
  return file;
}

}  // namespace

void check_driver_logging(CheckContext& context) {
  const SQLHDBC connection = context.connection.connection();
  SQLUINTEGER trace = SQL_OPT_TRACE_OFF;
  if (!SQL_SUCCEEDED(
          SQLGetConnectAttr(connection, SQL_ATTR_TRACE, &trace, SQL_IS_UINTEGER, nullptr))) {
    context.report.add("driver logging", false,
                       "the driver manager's trace cannot be read: " +
                           odbc_diagnostics(SQL_HANDLE_DBC, connection),
                       "see the driver manager's message");
    return;
  }
  // Each setting found on, and its fix, in the same order.
  std::string problems;
  std::string fixes;
  const auto add = [&](const std::string& problem, const std::string& fix) {
    problems += (problems.empty() ? "" : "; ") + problem;
    fixes += (fixes.empty() ? "" : "; ") + fix;
  };
  if (trace == SQL_OPT_TRACE_ON) {
    const std::string file = trace_file(connection);
    add("the driver manager's trace is on (Trace=Yes in the [ODBC] section of odbcinst.ini): "
        "every ODBC call is written to " +
            (file.empty() ? std::string("its trace file") : file),
        "Trace=No in the [ODBC] section of odbcinst.ini");
  }
  const std::string& driver = context.report.engine.driver;
  for (const LogSetting& setting :
       driver_log_settings(context.connection.connection_string(), driver)) {
    add(setting.setting + " in " + setting.source + ": " + setting.effect, setting.fix);
  }
  if (problems.empty()) {
    context.report.add("driver logging", true,
                       "off: no driver manager trace, and no log setting of " +
                           (driver.empty() ? std::string("the driver") : driver) + " on");
    return;
  }
  context.report.add("driver logging", false, problems, fixes);
}

}  // namespace itemlookup
