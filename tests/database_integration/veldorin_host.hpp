// VELDORIN called as a host calls it: one field per parameter, each passed by address.
#pragma once

#include <sql.h>

#include <optional>
#include <string>

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

struct VeldorinFields {
  char function_code[LOOKUP_FUNCTION_CODE_WIDTH];
  char item_code[VELDORIN_ITEM_CODE_WIDTH];
  char sales_family[VELDORIN_SALES_FAMILY_WIDTH];
  char external_code[VELDORIN_EXTERNAL_CODE_WIDTH];
  char barcode[VELDORIN_BARCODE_WIDTH];
  char description[VELDORIN_DESCRIPTION_WIDTH];
  char trace_flag[VELDORIN_TRACE_FLAG_WIDTH];
  char detail_flag[VELDORIN_DETAIL_FLAG_WIDTH];
  char anvisa_code[VELDORIN_ANVISA_CODE_WIDTH];
  char pmc_value[VELDORIN_PRICE_DIGITS];
  char pmv_value[VELDORIN_PRICE_DIGITS];
  char net_weight[VELDORIN_WEIGHT_DIGITS];
  char gross_weight[VELDORIN_WEIGHT_DIGITS];
  char status[LOOKUP_STATUS_WIDTH];
  char database_kind[LOOKUP_DATABASE_KIND_WIDTH];
  SQLHENV environment;
  SQLHDBC connection;
};

VeldorinFields veldorin_fields(const OdbcSession& session, char function_code, DatabaseKind kind,
                               const VeldorinKeys& keys);
std::string listing(const VeldorinFields& fields);
// Calls the loaded module on the fields, capturing standard error.
LookupOutcome call_veldorin(VeldorinFields& fields);

LookupOutcome run_veldorin(const OdbcSession& session, char function_code, DatabaseKind kind,
                           const VeldorinKeys& keys);
std::string describe(const VeldorinKeys& keys);

}  // namespace database_integration
