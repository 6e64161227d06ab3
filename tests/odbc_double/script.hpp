// What the test scripted: outcomes, rows and host module replies, each by occurrence.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "odbc_double.hpp"

namespace odbc_double::detail {

// One scripted value per numbered occurrence, plus one for every occurrence.
template <typename Value>
class ByOccurrence {
 public:
  void set(int occurrence, Value value) {
    if (occurrence < every_occurrence) throw std::invalid_argument("occurrences count from 1");
    if (occurrence == every_occurrence) {
      every_ = std::move(value);
    } else {
      numbered_.insert_or_assign(occurrence, std::move(value));
    }
  }

  const Value* find(int occurrence) const {
    if (auto found = numbered_.find(occurrence); found != numbered_.end()) return &found->second;
    return every_ ? &*every_ : nullptr;
  }

 private:
  std::map<int, Value> numbered_;
  std::optional<Value> every_;
};

inline constexpr std::size_t kOdbcFunctionCount = 6;  // alloc .. free in Function

struct Script {
  std::array<ByOccurrence<Outcome>, kOdbcFunctionCount> outcomes;
  ByOccurrence<std::vector<Row>> rows;
  ByOccurrence<int> message_module_results;
  ByOccurrence<ConverterReply> converter_replies;
  DriverStyle style = DriverStyle::terminator_only;
  // By exact text: the answers in the order scripted, the last one for every later execution.
  std::map<std::string, std::vector<StatementAnswer>> statement_answers;
  std::map<std::string, std::size_t> statement_executions;
  std::map<SQLUSMALLINT, std::string> info;
  std::map<SQLINTEGER, SQLULEN> connection_attributes;

  const Outcome* outcome(Function function, int occurrence) const {
    return outcomes.at(static_cast<std::size_t>(function)).find(occurrence);
  }
};

}  // namespace odbc_double::detail
