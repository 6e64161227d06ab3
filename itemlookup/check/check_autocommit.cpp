// Finding "autocommit": each statement ends its own transaction. A session with autocommit off
// holds a transaction open between lookups: behind a transaction pooler that pins one server
// connection to it, and on a standby the idle transaction is cancelled.
#include <sqlext.h>

#include "check/check_findings.hpp"

namespace itemlookup {

void check_autocommit(CheckContext& context) {
  SQLUINTEGER autocommit = SQL_AUTOCOMMIT_ON;
  const SQLRETURN got = SQLGetConnectAttr(context.connection.connection(), SQL_ATTR_AUTOCOMMIT,
                                          &autocommit, SQL_IS_UINTEGER, nullptr);
  if (!SQL_SUCCEEDED(got)) {
    context.report.add(
        "autocommit", false,
        "cannot be read: " + odbc_diagnostics(SQL_HANDLE_DBC, context.connection.connection()),
        "leave autocommit on, as ODBC connects");
  } else if (autocommit == SQL_AUTOCOMMIT_OFF) {
    context.report.add("autocommit", false,
                       "off: the session keeps a transaction open between lookups, which pins a "
                       "server connection behind a transaction pooler",
                       "leave autocommit on, as ODBC connects: drop what turns it off from the "
                       "DSN or the host");
  } else {
    context.report.add("autocommit", true, "on: each statement is a transaction of its own");
  }
}

}  // namespace itemlookup
