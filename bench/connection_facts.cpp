#include "connection_facts.hpp"

#include <sqlext.h>

namespace lookup_bench {

namespace {

std::string info(SQLHDBC connection, SQLUSMALLINT item) {
  char value[256] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(connection, item, value, sizeof value, &length))) return "?";
  return value;
}

}  // namespace

std::string describe_connection(SQLHDBC connection) {
  return info(connection, SQL_DRIVER_NAME) + " " + info(connection, SQL_DRIVER_VER) + ", " +
         info(connection, SQL_DBMS_NAME) + " " + info(connection, SQL_DBMS_VER);
}

}  // namespace lookup_bench
