// MARQUETH called as a host calls it: one field per parameter, each passed by address.
#pragma once

#include <sql.h>

#include <optional>
#include <string>

#include "host_fields.hpp"
#include "item_lookup.h"
#include "lookup_outcome.hpp"
#include "odbc_session.hpp"

namespace database_integration {

// The keys a lookup is given; a key left out holds kUnwritten bytes, like every output.
struct MarquethKeys {
  std::optional<std::string> customer_kind = std::nullopt;
  std::optional<std::string> customer_code = std::nullopt;
  std::optional<std::string> item_code = std::nullopt;
  std::optional<std::string> customer_item_code = std::nullopt;
};

// One field per parameter, from the parameter table; the handles are the session's.
using MarquethFields = lookup_host::MarquethFields;

MarquethFields marqueth_fields(const OdbcSession& session, char function_code, DatabaseKind kind,
                               const MarquethKeys& keys);
std::string listing(const MarquethFields& fields);
// Calls the loaded module on the fields, capturing standard error.
LookupOutcome call_marqueth(MarquethFields& fields);

LookupOutcome run_marqueth(const OdbcSession& session, char function_code, DatabaseKind kind,
                           const MarquethKeys& keys);
std::string describe(const MarquethKeys& keys);

}  // namespace database_integration
