#include "lookup_invariants.hpp"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "fuzz_check.hpp"

namespace fuzzing {

namespace {

using lookup_catalog::Column;
using lookup_catalog::Module;
using lookup_catalog::OperationShape;
using lookup_catalog::OutputRule;
using lookup_catalog::StatementShape;
using odbc_double::Call;
using F = odbc_double::Function;

bool is_odbc(F function) {
  return function != F::message_module && function != F::converter;
}

// Which results the cycle reports, per function.
bool reported(const Call& call) {
  switch (call.function) {
    case F::exec:
      return call.result != SQL_SUCCESS && call.result != SQL_SUCCESS_WITH_INFO;
    case F::fetch:
      return call.result != SQL_SUCCESS && call.result != SQL_NO_DATA;
    default:
      return call.result != SQL_SUCCESS;
  }
}

std::size_t number_columns(const StatementShape& statement) {
  return static_cast<std::size_t>(std::ranges::count_if(
      statement.columns, [](const Column& column) { return column.rule == OutputRule::number; }));
}

// Fields that hold digits: number and days outputs, of any operation of the module.
std::set<std::string> digit_fields(Module module) {
  std::set<std::string> fields;
  for (const OperationShape& operation : lookup_catalog::operations()) {
    if (operation.module != module) continue;
    for (const StatementShape& statement : operation.statements) {
      for (const Column& column : statement.columns) {
        if (column.rule != OutputRule::text) fields.emplace(column.output);
      }
    }
  }
  return fields;
}

std::set<std::string> writable_fields(const OperationShape* operation, Module module) {
  std::set<std::string> fields;
  if (module == Module::veldorin || operation != nullptr) fields.emplace("status");
  if (operation == nullptr) return fields;
  for (const StatementShape& statement : operation->statements) {
    for (const Column& column : statement.columns) fields.emplace(column.output);
  }
  for (const lookup_catalog::Clear& clear : operation->not_found_clears) {
    fields.emplace(clear.field);
  }
  return fields;
}

class LookupChecker {
 public:
  explicit LookupChecker(const ObservedLookup& lookup)
      : lookup_(lookup),
        module_(lookup.after.module()),
        operation_(
            lookup_catalog::find_operation(module_, lookup.before.text("function_code").front())) {}

  void run() {
    require(lookup_.return_code >= 0 && lookup_.return_code <= 0xFFFF,
            "the return code is a zero-extended 16-bit value");
    check_fields();
    check_reports();
    check_drops();
    if (operation_ == nullptr) {
      require(lookup_.timeline.empty() && lookup_.return_code == 0,
              "a function code without an operation calls nothing and returns 0");
      return;
    }
    check_statements();
  }

 private:
  // The timeline is described only when a property fails: it is the costly part.
  void require(bool holds, const char* property, const std::string& detail = {}) const {
    if (holds) return;
    violated(property, detail + "\nfunction code " + shown(lookup_.before.text("function_code")) +
                           "\n" + odbc_double::describe(lookup_.timeline));
  }

  void check_fields() const {
    const std::set<std::string> writable = writable_fields(operation_, module_);
    const std::set<std::string> digits = digit_fields(module_);
    for (const std::string& name : lookup_.after.changed_since(lookup_.before)) {
      const std::string bytes = lookup_.after.text(name);
      require(writable.contains(name), "the operation leaves every other field byte-identical",
              name + " became " + shown(bytes));
      require(bytes.find('\0') == std::string::npos, "no NUL reaches a host field",
              name + " " + shown(bytes));
      if (digits.contains(name)) {
        require(bytes.find_first_not_of("0123456789") == std::string::npos,
                "numbers and days are digits", name + " " + shown(bytes));
      }
    }
  }

  // Every failed call is reported right after it, and nothing else is.
  void check_reports() const {
    const std::vector<Call>& calls = lookup_.timeline;
    for (std::size_t i = 0; i < calls.size(); ++i) {
      const bool report_follows =
          i + 1 < calls.size() && calls[i + 1].function == F::message_module;
      if (is_odbc(calls[i].function)) {
        require(reported(calls[i]) == report_follows,
                "each failed call, and only a failed call, is reported",
                "call " + std::to_string(i));
      } else if (calls[i].function == F::message_module) {
        require(i > 0 && is_odbc(calls[i - 1].function), "a report follows an ODBC call",
                "call " + std::to_string(i));
        require(calls[i].environment == lookup_host::fake_environment() &&
                    calls[i].connection == lookup_host::fake_connection(),
                "the report gets the host's environment and connection");
      } else {
        require(calls[i].text.find('\0') == std::string::npos, "the converter never gets a NUL",
                shown(calls[i].text));
        require(calls[i].value_before == std::string(18, '0'), "the converter starts from zeros",
                shown(calls[i].value_before));
      }
    }
  }

  void check_drops() const {
    std::vector<const Call*> drops;
    for (const Call& call : lookup_.timeline) {
      if (call.function == F::free) drops.push_back(&call);
    }
    for (const SQLHSTMT open : lookup_.open_statements) {
      bool scripted = false;
      for (std::size_t n = 0; n < drops.size(); ++n) {
        scripted = scripted || (drops[n]->statement == open &&
                                lookup_.drop_scripted_to_fail(static_cast<int>(n) + 1));
      }
      require(scripted, "every allocated statement is dropped unless its drop was made to fail");
    }
  }

  // The timeline, statement by statement: the cycle's calls in order, the path the fetch and
  // the report decide, and the status and return code that follow from the last statement.
  void check_statements() const {
    const std::vector<Call>& calls = lookup_.timeline;
    std::size_t at = 0;
    std::size_t statement_index = 0;
    bool row = false;
    int last_return = 0;
    for (;; ++statement_index) {
      require(statement_index < operation_->statements.size(),
              "no more statements run than the operation has");
      const StatementShape& statement = operation_->statements[statement_index];
      std::vector<F> expected{F::alloc};
      if (lookup_.static_cursor) expected.push_back(F::set_option);
      expected.push_back(F::exec);
      expected.insert(expected.end(), statement.columns.size(), F::bind);
      expected.push_back(F::fetch);

      SQLHSTMT handle = nullptr;
      std::vector<F> seen;
      int fetch_return = 0;
      std::size_t conversions = 0;
      while (at < calls.size()) {
        const Call& call = calls[at++];
        if (call.function == F::message_module) {
          const F reported_function = calls[at - 2].function;
          last_return = static_cast<std::int16_t>(call.result);
          if (reported_function == F::fetch) fetch_return = last_return;
          require(call.statement == (reported_function == F::free ? nullptr : handle),
                  "a report names the statement, or none after its drop");
          if (reported_function == F::free) break;
          continue;
        }
        if (call.function == F::converter) {
          ++conversions;
          continue;
        }
        if (call.function == F::alloc) handle = call.statement;
        if (call.function == F::fetch) fetch_return = call.result;
        last_return = static_cast<std::int16_t>(call.result);
        if (call.function == F::free) {
          if (at < calls.size() && calls[at].function == F::message_module) continue;
          break;
        }
        seen.push_back(call.function);
      }
      require(seen == expected, "each statement makes the cycle's calls in order");
      row = fetch_return == SQL_SUCCESS;
      require(conversions == (row ? number_columns(statement) : 0),
              "numbers are converted on the row path only");
      if (row || statement_index + 1 == operation_->statements.size()) break;
    }
    require(at == calls.size(), "nothing runs after the statement that decides");
    require(lookup_.return_code == static_cast<std::uint16_t>(last_return),
            "the return code is the last call's result");

    const StatementShape& last = operation_->statements[statement_index];
    const std::string status = lookup_.after.text("status");
    std::string expected_status = lookup_.before.text("status");
    if (!row)
      expected_status = last.not_found_status;
    else if (module_ == Module::veldorin)
      expected_status = lookup_catalog::kVeldorinFound;
    require(status == expected_status, "the status is the one the last statement's path sets",
            shown(status) + " instead of " + shown(expected_status));
    if (!row) check_no_row_outputs();
  }

  void check_no_row_outputs() const {
    std::set<std::string> cleared{"status"};
    for (const lookup_catalog::Clear& clear : operation_->not_found_clears) {
      cleared.emplace(clear.field);
      require(lookup_.after.text(clear.field) ==
                  std::string(lookup_.after.text(clear.field).size(), clear.fill),
              "the no-row path clears what the operation clears", std::string(clear.field));
    }
    for (const std::string& name : lookup_.after.changed_since(lookup_.before)) {
      require(cleared.contains(name), "the no-row path writes nothing but status and clears", name);
    }
  }

  const ObservedLookup& lookup_;
  Module module_;
  const OperationShape* operation_;
};

}  // namespace

void check_lookup(const ObservedLookup& lookup) {
  LookupChecker(lookup).run();
}

}  // namespace fuzzing
