// The ODBC calls of each function code: one statement on the host's connection, its columns bound
// as text into one contiguous result area with one indicator, one fetch, then the drop.
#include <sqlext.h>

#include <map>
#include <string>
#include <vector>

#include "customer_item_fixture.hpp"

namespace customer_item_test {
namespace {

using odbc_double::Call;

struct Shape {
  const char* function_code;
  std::vector<SQLLEN> buffer_lengths;  // field width plus the driver's terminator, column 1 first
};

const Shape kShapes[] = {
    {"1", {51, 5, 18, 14, 14, 17, 5}},
    {"2", {17}},
    {"3", {51, 17}},
    {"4", {5, 18}},
};

class MarquethCallSequence : public CustomerItemLookup {
 protected:
  // Runs one function code on the loaded module, with a row to fetch, and returns its bindings.
  std::vector<Call> bindings_of(const char* function_code) {
    odbc_double::reset();
    odbc_double::script_row(1, typical_row());
    MarquethFields fields = request(function_code);
    EXPECT_EQ(call(fields), 0);
    EXPECT_TRUE(odbc_double::open_statements().empty()) << trace();
    return odbc_double::calls_of(F::bind);
  }
};

TEST_F(MarquethCallSequence, EachFunctionCodeRunsOneStatementAndDropsIt) {
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.function_code);
    odbc_double::reset();
    MarquethFields fields = request(shape.function_code);
    EXPECT_EQ(call(fields), 0);

    std::vector<F> expected{F::alloc, F::exec};
    expected.insert(expected.end(), shape.buffer_lengths.size(), F::bind);
    expected.insert(expected.end(), {F::fetch, F::free});
    EXPECT_EQ(odbc_double::functions(), expected) << trace();
    const std::vector<Call> calls = odbc_double::calls();
    EXPECT_EQ(calls.front().connection, lookup_host::fake_connection());
    for (const Call& each : calls) EXPECT_EQ(each.statement, odbc_double::statement_handle(1));
    EXPECT_EQ(calls.back().option, SQL_DROP);
    EXPECT_TRUE(odbc_double::open_statements().empty());
  }
}

TEST_F(MarquethCallSequence, ColumnsAreBoundAsTextInSelectOrderWithOneIndicator) {
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.function_code);
    const std::vector<Call> binds = bindings_of(shape.function_code);
    ASSERT_EQ(binds.size(), shape.buffer_lengths.size()) << trace();
    ASSERT_NE(binds[0].indicator, nullptr);
    for (std::size_t i = 0; i < binds.size(); ++i) {
      EXPECT_EQ(binds[i].column, i + 1);
      EXPECT_EQ(binds[i].c_type, SQL_C_CHAR);
      EXPECT_EQ(binds[i].buffer_length, shape.buffer_lengths[i]) << "column " << i + 1;
      EXPECT_EQ(binds[i].indicator, binds[0].indicator) << "column " << i + 1;
    }
  }
}

// The item code, then function code "1"'s seven fields one after another: every function code
// binds into that one record, so a value as wide as its field ends on the next field's first byte.
TEST_F(MarquethCallSequence, AllFunctionCodesBindIntoOneContiguousResultArea) {
  std::map<std::string, std::vector<char*>> targets;
  SQLLEN* indicator = nullptr;
  for (const Shape& shape : kShapes) {
    for (const Call& bind : bindings_of(shape.function_code)) {
      targets[shape.function_code].push_back(static_cast<char*>(bind.target));
      if (indicator == nullptr) indicator = bind.indicator;
      EXPECT_EQ(bind.indicator, indicator) << shape.function_code;
    }
  }
  const std::vector<char*>& full = targets["1"];
  ASSERT_EQ(full.size(), 7u);
  EXPECT_EQ(full[customer_item], targets["2"].at(0) + MARQUETH_ITEM_CODE_WIDTH);
  for (std::size_t i = 1; i < full.size(); ++i) {
    EXPECT_EQ(full[i], full[i - 1] + kShapes[0].buffer_lengths[i - 1] - 1) << "column " << i + 1;
  }
  EXPECT_EQ(targets["3"], (std::vector<char*>{full[customer_item], full[barcode]}));
  EXPECT_EQ(targets["4"], (std::vector<char*>{full[unit], full[factor]}));
}

TEST_F(MarquethCallSequence, SqlServerKindAsksForAStaticCursorBeforeExecuting) {
  MarquethFields fields = request("1");
  put(fields.database_kind, LOOKUP_DATABASE_KIND_SQLSERVER);
  odbc_double::script_row(1, typical_row());
  EXPECT_EQ(call(fields), 0);
  const std::vector<F> functions = odbc_double::functions();
  ASSERT_GE(functions.size(), 3u) << trace();
  EXPECT_EQ(functions[1], F::set_option);
  const Call option = odbc_double::calls()[1];
  EXPECT_EQ(option.statement, odbc_double::statement_handle(1));
  EXPECT_EQ(option.option, SQL_CURSOR_TYPE);
  EXPECT_EQ(option.option_value, SQL_CURSOR_STATIC);
  EXPECT_EQ(functions[2], F::exec);
}

TEST_F(MarquethCallSequence, FunctionCodeOutsideTheTableCallsNothingAndWritesNothing) {
  for (const char code : {'5', ' ', '\0'}) {
    MarquethFields fields = request("1");
    fields.function_code[0] = code;
    EXPECT_EQ(call(fields), 0) << int{code};
    EXPECT_TRUE(odbc_double::calls().empty()) << trace();
    EXPECT_TRUE(written(fields).empty()) << int{code};
  }
}

}  // namespace
}  // namespace customer_item_test
