// One ODBC call of a lookup failing, for every call of every operation, and the outcome the
// statement cycle prescribes for it: how many reports, which path each statement takes, the
// return code and whether a statement stays open.
#pragma once

#include <sql.h>

#include <iosfwd>
#include <string>
#include <vector>

#include "odbc_double.hpp"
#include "operation_catalog.hpp"

namespace fault_sweep {

using lookup_catalog::OperationShape;
using odbc_double::Function;

struct SweepCase {
  const OperationShape* operation;
  std::size_t statement;    // which statement of the operation the failing call belongs to
  Function failing;         // the ODBC function that fails
  int occurrence;           // its occurrence among the lookup's calls of that function, from 1
  std::size_t bind_column;  // for bind: the column (0-based) whose binding fails
  SQLRETURN result;         // what the failing call returns
  int answer;               // what the message module answers, every time
};

// The sample row comes from the last statement of each operation; earlier ones find nothing.
bool statement_has_row(const OperationShape& operation, std::size_t statement);

// Every case: each call in turn, with SQL_ERROR, SQL_INVALID_HANDLE and SQL_SUCCESS_WITH_INFO
// (except on execution, where it is no failure), the message module answering 0 or 2. The
// database kind asks for the static cursor, so the option call is part of every sequence.
std::vector<SweepCase> all_cases();

enum class Path {
  row,          // the row path over the sample row
  blank_row,    // the row path over a result area nothing was fetched into
  row_but_one,  // the row path, one column left as reset because its binding failed
  no_row,
};

struct StatementOutcome {
  Path path;
  std::size_t blank_column = 0;  // row_but_one
};

struct Expectation {
  int reports = 0;
  int return_code = 0;
  std::vector<StatementOutcome> statements;  // those that run, in order
  bool statement_left_open = false;
};

Expectation prescribed(const SweepCase& sweep);

std::string case_name(const SweepCase& sweep);
void PrintTo(const SweepCase& sweep, std::ostream* out);

}  // namespace fault_sweep
