// A statement the database refused, with the driver's first diagnostic record apart, so that a
// caller can tell one kind of failure (an unknown table, a lost connection) from another.
#pragma once

#include <string>

#include "errors_and_text/cannot_run.hpp"

namespace itemlookup {

class StatementError : public CannotRun {
 public:
  StatementError(const std::string& what, std::string sqlstate, long native_error,
                 std::string diagnostics)
      : CannotRun(what),
        sqlstate_(std::move(sqlstate)),
        native_error_(native_error),
        diagnostics_(std::move(diagnostics)) {}

  const std::string& sqlstate() const { return sqlstate_; }  // of the first record
  long native_error() const { return native_error_; }        // likewise
  // Every record, "[state] message" joined by "; ": the driver's own words.
  const std::string& diagnostics() const { return diagnostics_; }

 private:
  std::string sqlstate_;
  long native_error_;
  std::string diagnostics_;
};

}  // namespace itemlookup
