// MARQUETH called as a host calls it: one field per parameter, each passed by address.
#pragma once

#include <sql.h>

#include <optional>
#include <string>

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

struct MarquethFields {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH];
  char customer_kind[MARQUETH_CUSTOMER_KIND_WIDTH];
  char customer_code[MARQUETH_CUSTOMER_CODE_DIGITS];
  char item_code[MARQUETH_ITEM_CODE_WIDTH];
  char customer_item_code[MARQUETH_CUSTOMER_ITEM_CODE_WIDTH];
  char unit[MARQUETH_UNIT_WIDTH];
  char factor[MARQUETH_FACTOR_DIGITS];
  char minimum_lot[MARQUETH_QUANTITY_DIGITS];
  char order_multiple[MARQUETH_QUANTITY_DIGITS];
  char barcode[MARQUETH_BARCODE_WIDTH];
  char days[MARQUETH_DAYS_DIGITS];
  char status[LOOKUP_STATUS_WIDTH];
  char database_kind[LOOKUP_DATABASE_KIND_WIDTH];
  SQLHENV environment;
  SQLHDBC connection;
};

MarquethFields marqueth_fields(const OdbcSession& session, char function_code, DatabaseKind kind,
                               const MarquethKeys& keys);
std::string listing(const MarquethFields& fields);
// Calls the loaded module on the fields, capturing standard error.
LookupOutcome call_marqueth(MarquethFields& fields);

LookupOutcome run_marqueth(const OdbcSession& session, char function_code, DatabaseKind kind,
                           const MarquethKeys& keys);
std::string describe(const MarquethKeys& keys);

}  // namespace database_integration
