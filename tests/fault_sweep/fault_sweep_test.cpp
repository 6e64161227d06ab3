// Every ODBC call of every operation failing in turn: the reports, the path each statement takes,
// every host field byte and the return code are what the statement cycle prescribes.
#include <gtest/gtest.h>

#include "module_fields.hpp"
#include "odbc_double.hpp"
#include "sweep_cases.hpp"

namespace fault_sweep {
namespace {

using lookup_catalog::Column;
using lookup_catalog::Module;
using lookup_catalog::ModuleFields;
using lookup_catalog::StatementShape;

// Keys as a host passes them; the double answers by execution, so they only have to be real.
ModuleFields fields_for(const OperationShape& operation) {
  ModuleFields fields(operation.module);
  fields.put("function_code", std::string(1, operation.function_code));
  for (const std::string_view key : operation.keys) {
    if (key == "customer_kind")
      fields.put(key, "C");
    else if (key == "customer_code")
      fields.put(key, "00042");
    else
      fields.put(key, "KEY-" + std::string(key.substr(0, 4)));
  }
  fields.put("database_kind", LOOKUP_DATABASE_KIND_SQLSERVER);
  return fields;
}

odbc_double::Row sample_row(const StatementShape& statement) {
  odbc_double::Row row;
  for (const Column& column : statement.columns) row.emplace_back(std::string(column.sample));
  return row;
}

// What the host's fields hold after the statements ran along the prescribed paths.
ModuleFields expected_fields(const OperationShape& operation, const ModuleFields& before,
                             const Expectation& expectation) {
  ModuleFields expected = before;
  for (std::size_t s = 0; s < expectation.statements.size(); ++s) {
    const StatementShape& statement = operation.statements[s];
    const StatementOutcome& outcome = expectation.statements[s];
    if (operation.module == Module::veldorin) {
      expected.put(lookup_catalog::kStatusField, lookup_catalog::kVeldorinFound);
    }
    if (outcome.path == Path::no_row) {
      expected.put(lookup_catalog::kStatusField, statement.not_found_status);
      for (const lookup_catalog::Clear& clear : operation.not_found_clears) {
        expected.fill(clear.field, clear.fill);
      }
      continue;
    }
    for (std::size_t c = 0; c < statement.columns.size(); ++c) {
      const Column& column = statement.columns[c];
      const bool blank = outcome.path == Path::blank_row ||
                         (outcome.path == Path::row_but_one && outcome.blank_column == c);
      if (blank) {
        expected.fill(column.output, lookup_catalog::blank_byte(column.rule));
      } else {
        expected.put(column.output, column.sample_output);
      }
    }
  }
  return expected;
}

class FaultSweep : public testing::TestWithParam<SweepCase> {
 protected:
  void SetUp() override { odbc_double::reset(); }
  void TearDown() override { odbc_double::reset(); }

  static lookup_catalog::ModuleHosts& hosts() {
    static lookup_catalog::ModuleHosts loaded;
    return loaded;
  }
};

TEST_P(FaultSweep, OutcomeIsWhatTheCyclePrescribes) {
  const SweepCase& sweep = GetParam();
  const OperationShape& operation = *sweep.operation;
  for (std::size_t s = 0; s < operation.statements.size(); ++s) {
    if (statement_has_row(operation, s)) {
      odbc_double::script_row(static_cast<int>(s) + 1, sample_row(operation.statements[s]));
    }
  }
  odbc_double::fail(sweep.failing, sweep.occurrence, sweep.result);
  odbc_double::script_message_module(odbc_double::every_occurrence, sweep.answer);

  ModuleFields fields = fields_for(operation);
  const ModuleFields before = fields;
  const Expectation expectation = prescribed(sweep);
  const ModuleFields expected = expected_fields(operation, before, expectation);

  const int return_code = hosts().call(fields);
  const std::string trace = odbc_double::describe(odbc_double::calls());

  EXPECT_EQ(return_code, expectation.return_code) << trace;
  EXPECT_EQ(odbc_double::calls_of(Function::message_module).size(),
            static_cast<std::size_t>(expectation.reports))
      << trace;
  EXPECT_EQ(odbc_double::calls_of(Function::alloc).size(), expectation.statements.size()) << trace;
  for (const lookup_host::FieldInfo& info : fields.layout()) {
    EXPECT_EQ(fields.text(info.name), expected.text(info.name)) << info.name << "\n" << trace;
  }
  EXPECT_EQ(odbc_double::open_statements().size(), expectation.statement_left_open ? 1u : 0u)
      << trace;
}

INSTANTIATE_TEST_SUITE_P(EveryCallOfEveryOperation, FaultSweep, testing::ValuesIn(all_cases()),
                         [](const testing::TestParamInfo<SweepCase>& info) {
                           return case_name(info.param);
                         });

// The sweep reaches every call only if the catalog has each statement's columns right: without
// a failure, each operation makes exactly the calls the catalog lists, binding its widths and
// converting its numbers.
TEST_F(FaultSweep, CatalogMatchesEachOperationsCalls) {
  for (const OperationShape& operation : lookup_catalog::operations()) {
    odbc_double::reset();
    std::vector<Function> sequence;
    std::vector<SQLLEN> buffer_lengths;
    for (std::size_t s = 0; s < operation.statements.size(); ++s) {
      const StatementShape& statement = operation.statements[s];
      if (statement_has_row(operation, s)) {
        odbc_double::script_row(static_cast<int>(s) + 1, sample_row(statement));
      }
      sequence.insert(sequence.end(), {Function::alloc, Function::set_option, Function::exec});
      for (const Column& column : statement.columns) {
        sequence.push_back(Function::bind);
        buffer_lengths.push_back(static_cast<SQLLEN>(column.width) + 1);
      }
      sequence.push_back(Function::fetch);
      for (const Column& column : statement.columns) {
        if (statement_has_row(operation, s) && column.rule == lookup_catalog::OutputRule::number) {
          sequence.push_back(Function::converter);
        }
      }
      sequence.push_back(Function::free);
    }
    ModuleFields fields = fields_for(operation);
    EXPECT_EQ(hosts().call(fields), 0) << operation.name;
    EXPECT_EQ(odbc_double::functions(), sequence) << operation.name;
    std::vector<SQLLEN> bound;
    for (const odbc_double::Call& bind : odbc_double::calls_of(Function::bind)) {
      bound.push_back(bind.buffer_length);
    }
    EXPECT_EQ(bound, buffer_lengths) << operation.name;
  }
}

}  // namespace
}  // namespace fault_sweep
