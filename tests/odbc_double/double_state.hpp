// The one state the entry points, the stand-in host modules and the test share. Every access
// holds the lock: a module may be driven from a thread other than the test's.
#pragma once

#include <mutex>

#include "recording.hpp"
#include "script.hpp"
#include "statements.hpp"

namespace odbc_double::detail {

struct DoubleState {
  Script script;
  Recording recording;
  Statements statements;
};

class LockedState {
 public:
  LockedState();
  DoubleState* operator->() { return &state_; }
  DoubleState& operator*() { return state_; }

 private:
  std::scoped_lock<std::mutex> lock_;
  DoubleState& state_;
};

inline bool succeeded(SQLRETURN result) {
  return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO;
}

}  // namespace odbc_double::detail
