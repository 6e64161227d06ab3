// Which failures say that the connection, not the statement, failed: a lookup or a session setup
// that ends with one may well succeed on a new connection.
#pragma once

#include <sql.h>

#include <string_view>

namespace itemlookup {

// Class 08 (the connection failed or was lost; a pooler's own errors are 08P01), 57P01 to 57P03
// (the server shut down or does not accept connections yet) and 40001 (a standby cancelled the
// read).
bool calls_for_reconnect(std::string_view sqlstate);

// Whether the driver says that the connection is lost (SQL_ATTR_CONNECTION_DEAD), asked after an
// error whose SQLSTATE does not say so: MariaDB Connector/ODBC reports a statement written to a
// connection its peer had closed (a router restarted) as HY000, its client library's write error
// 5014, and the connection is gone all the same. A driver that does not answer counts as saying
// no.
bool driver_says_connection_dead(SQLHDBC connection);

}  // namespace itemlookup
