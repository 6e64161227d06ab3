// What must hold after any lookup over the ODBC test double, whatever the double answered: the
// properties the statement cycle guarantees, checked against the timeline the double recorded.
#pragma once

#include <sql.h>

#include <functional>
#include <vector>

#include "module_fields.hpp"
#include "odbc_double.hpp"

namespace fuzzing {

struct ObservedLookup {
  const lookup_catalog::ModuleFields& before;
  const lookup_catalog::ModuleFields& after;
  int return_code;
  bool static_cursor;  // the database kind asked for it
  std::vector<odbc_double::Call> timeline;
  std::vector<SQLHSTMT> open_statements;
  // Whether the n-th drop (from 1) was scripted to fail.
  std::function<bool(int)> drop_scripted_to_fail;
};

// Aborts with a description of the first property that does not hold.
void check_lookup(const ObservedLookup& lookup);

}  // namespace fuzzing
