// The one sequence of ODBC calls every statement of every operation runs through.
#pragma once

#include "lookup_call.hpp"

namespace lookup_frame {

// Allocates a statement on the host's connection, sets the static cursor for the database kind
// that needs it, executes, binds every column as character data, fetches once, takes the row or
// the no-row path and drops the statement. A failed call is reported and the cycle goes on.
// Returns whether the row path was taken.
bool run_statement(const LookupCall& call, const Statement& statement);

// Resets the result area: text fields to spaces, numeric fields to zeros, spare bytes untouched.
void reset_result_area(const LookupCall& call);

}  // namespace lookup_frame
