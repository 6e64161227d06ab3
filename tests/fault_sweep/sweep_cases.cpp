#include "sweep_cases.hpp"

#include <cstdint>
#include <map>
#include <ostream>
#include <sstream>

namespace fault_sweep {

namespace {

using F = Function;

constexpr SQLRETURN kFailures[] = {SQL_ERROR, SQL_INVALID_HANDLE, SQL_SUCCESS_WITH_INFO};
constexpr int kAnswers[] = {0, 2};

const char* result_name(SQLRETURN result) {
  switch (result) {
    case SQL_ERROR:
      return "error";
    case SQL_INVALID_HANDLE:
      return "invalid_handle";
    case SQL_SUCCESS_WITH_INFO:
      return "with_info";
    default:
      return "other";
  }
}

const char* function_name(Function function) {
  switch (function) {
    case F::alloc:
      return "alloc";
    case F::set_option:
      return "option";
    case F::exec:
      return "exec";
    case F::bind:
      return "bind";
    case F::fetch:
      return "fetch";
    case F::free:
      return "free";
    default:
      return "host";
  }
}

// One statement's calls in order; a bind per column.
std::vector<Function> statement_calls(std::size_t columns) {
  std::vector<Function> calls{F::alloc, F::set_option, F::exec};
  calls.insert(calls.end(), columns, F::bind);
  calls.insert(calls.end(), {F::fetch, F::free});
  return calls;
}

// What the failing statement does; the others run as they would without it.
struct FailedStatement {
  int reports;
  StatementOutcome outcome;
  bool drop_failed;
  bool left_open;
};

FailedStatement failed_statement(const SweepCase& sweep, std::size_t columns, bool has_row) {
  const bool with_info = sweep.result == SQL_SUCCESS_WITH_INFO;
  const StatementOutcome normal{has_row ? Path::row : Path::no_row};
  // After a reported fetch failure the answer decides: zero reads as a row.
  const auto decided_by_answer = [&](Path row_path) {
    return StatementOutcome{sweep.answer == 0 ? row_path : Path::no_row};
  };
  switch (sweep.failing) {
    case F::alloc:
      if (with_info) return {1, normal, false, false};  // the handle was handed out
      // No handle: every later call of the statement fails on the null handle and is reported.
      return {static_cast<int>(columns) + 5, decided_by_answer(Path::blank_row), true, false};
    case F::set_option:
      return {1, normal, false, false};
    case F::exec:
      // Nothing executed: the fetch fails as well.
      return {2, decided_by_answer(Path::blank_row), false, false};
    case F::bind:
      if (with_info || !has_row) return {1, normal, false, false};
      return {1, {Path::row_but_one, sweep.bind_column}, false, false};
    case F::fetch:
      // With info the row was written; a fetch that failed outright wrote nothing.
      return {1, decided_by_answer(with_info && has_row ? Path::row : Path::blank_row), false,
              false};
    case F::free:
      return {1, normal, true, !with_info};
    default:
      break;
  }
  return {0, normal, false, false};
}

}  // namespace

bool statement_has_row(const OperationShape& operation, std::size_t statement) {
  return statement + 1 == operation.statements.size();
}

std::vector<SweepCase> all_cases() {
  std::vector<SweepCase> cases;
  for (const OperationShape& operation : lookup_catalog::operations()) {
    std::map<Function, int> occurrences;
    for (std::size_t s = 0; s < operation.statements.size(); ++s) {
      std::size_t column = 0;
      for (const Function function : statement_calls(operation.statements[s].columns.size())) {
        const int occurrence = ++occurrences[function];
        const std::size_t bind_column = function == F::bind ? column++ : 0;
        for (const SQLRETURN result : kFailures) {
          if (function == F::exec && result == SQL_SUCCESS_WITH_INFO) continue;
          for (const int answer : kAnswers) {
            cases.push_back({&operation, s, function, occurrence, bind_column, result, answer});
          }
        }
      }
    }
  }
  return cases;
}

Expectation prescribed(const SweepCase& sweep) {
  const OperationShape& operation = *sweep.operation;
  Expectation expectation;
  for (std::size_t s = 0; s < operation.statements.size(); ++s) {
    const bool has_row = statement_has_row(operation, s);
    StatementOutcome outcome{has_row ? Path::row : Path::no_row};
    bool drop_failed = false;
    if (s == sweep.statement) {
      const FailedStatement failed =
          failed_statement(sweep, operation.statements[s].columns.size(), has_row);
      expectation.reports += failed.reports;
      expectation.statement_left_open = failed.left_open;
      outcome = failed.outcome;
      drop_failed = failed.drop_failed;
    }
    expectation.statements.push_back(outcome);
    // The last call of a statement is its drop: its result, or the answer to its report.
    expectation.return_code = drop_failed ? static_cast<std::uint16_t>(sweep.answer) : 0;
    if (outcome.path != Path::no_row) break;
  }
  return expectation;
}

std::string case_name(const SweepCase& sweep) {
  std::ostringstream name;
  name << (sweep.operation->module == lookup_catalog::Module::veldorin ? "Veldorin" : "Marqueth")
       << sweep.operation->function_code << "_" << function_name(sweep.failing) << sweep.occurrence
       << "_" << result_name(sweep.result) << "_answer" << sweep.answer;
  return name.str();
}

void PrintTo(const SweepCase& sweep, std::ostream* out) {
  *out << case_name(sweep) << " (" << sweep.operation->name << ", statement " << sweep.statement + 1
       << ")";
}

}  // namespace fault_sweep
