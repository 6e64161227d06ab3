// Which SQLSTATEs say that the connection, not the statement, failed: a lookup or a session
// setup that ends with one may well succeed on a new connection.
#pragma once

#include <string_view>

namespace itemlookup {

// Class 08 (the connection failed or was lost; a pooler's own errors are 08P01), 57P01 to 57P03
// (the server shut down or does not accept connections yet) and 40001 (a standby cancelled the
// read).
bool calls_for_reconnect(std::string_view sqlstate);

}  // namespace itemlookup
