// Every lookup the integration tests make: for each operation of both modules, one case per
// demo row (keys read from the demo database, so new demo rows are covered without edits) and
// the missing keys that matter (apostrophes, blanks, wrong kind or customer).
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "lookup_outcome.hpp"
#include "odbc_session.hpp"

namespace database_integration {

enum class Operation {
  veldorin_full_fetch,
  veldorin_partial_fetch,
  veldorin_item_code_resolution,
  marqueth_customer_item_fetch,
  marqueth_item_code_resolution,
  marqueth_codes_fetch,
  marqueth_unit_fetch,
};

inline constexpr Operation kEveryOperation[] = {
    Operation::veldorin_full_fetch,           Operation::veldorin_partial_fetch,
    Operation::veldorin_item_code_resolution, Operation::marqueth_customer_item_fetch,
    Operation::marqueth_item_code_resolution, Operation::marqueth_codes_fetch,
    Operation::marqueth_unit_fetch,
};

const char* name(Operation operation);
inline void PrintTo(Operation operation, std::ostream* out) {
  *out << name(operation);
}

struct LookupCase {
  std::string description;
  std::function<LookupOutcome(const OdbcSession&, DatabaseKind)> run;
};

// The cases of one operation; demo_rows is the database the demo keys are read from.
std::vector<LookupCase> cases_for(Operation operation, OdbcSession& demo_rows);

}  // namespace database_integration
