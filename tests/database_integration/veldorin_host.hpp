// VELDORIN called as a host calls it: one field per parameter, each passed by address.
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
struct VeldorinKeys {
  std::optional<std::string> item_code = std::nullopt;
  std::optional<std::string> barcode = std::nullopt;
  std::optional<std::string> external_code = std::nullopt;
};

// One field per parameter, from the parameter table; the handles are the session's.
using VeldorinFields = lookup_host::VeldorinFields;

VeldorinFields veldorin_fields(const OdbcSession& session, char function_code, DatabaseKind kind,
                               const VeldorinKeys& keys);
std::string listing(const VeldorinFields& fields);
// Calls the loaded module on the fields, capturing standard error.
LookupOutcome call_veldorin(VeldorinFields& fields);

LookupOutcome run_veldorin(const OdbcSession& session, char function_code, DatabaseKind kind,
                           const VeldorinKeys& keys);
std::string describe(const VeldorinKeys& keys);

}  // namespace database_integration
