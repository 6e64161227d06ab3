#include "connection/lost_connection.hpp"

namespace itemlookup {

bool calls_for_reconnect(std::string_view sqlstate) {
  return sqlstate.size() == 5 &&
         (sqlstate.starts_with("08") || sqlstate == "57P01" || sqlstate == "57P02" ||
          sqlstate == "57P03" || sqlstate == "40001");
}

}  // namespace itemlookup
