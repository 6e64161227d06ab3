// The timeline of calls, shared by the ODBC entry points and the stand-in host modules.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "odbc_double.hpp"

namespace odbc_double::detail {

inline constexpr std::size_t kFunctionCount = 10;

class Recording {
 public:
  // Counts a new call of `function` and returns its occurrence, from 1.
  int next_occurrence(Function function) {
    return ++counts_.at(static_cast<std::size_t>(function));
  }

  std::size_t append(Call call) {
    calls_.push_back(std::move(call));
    return calls_.size() - 1;
  }

  std::vector<Call>& calls() { return calls_; }

 private:
  std::vector<Call> calls_;
  std::array<int, kFunctionCount> counts_{};
};

}  // namespace odbc_double::detail
