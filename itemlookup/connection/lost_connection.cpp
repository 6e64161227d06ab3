#include "connection/lost_connection.hpp"

#include <sqlext.h>

namespace itemlookup {

bool calls_for_reconnect(std::string_view sqlstate) {
  return sqlstate.size() == 5 &&
         (sqlstate.starts_with("08") || sqlstate == "57P01" || sqlstate == "57P02" ||
          sqlstate == "57P03" || sqlstate == "40001");
}

bool driver_says_connection_dead(SQLHDBC connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(
             SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

}  // namespace itemlookup
