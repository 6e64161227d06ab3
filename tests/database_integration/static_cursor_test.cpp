// The "SQLSERVER" database kind makes the modules ask for a static cursor before executing.
// psqlODBC and the SQLite driver both accept SQL_CURSOR_STATIC without a warning (so the message
// module is never called), and the row that comes back is the one the default cursor gives.
#include <gtest/gtest.h>

#include <tuple>

#include "demo_databases.hpp"
#include "fixed_text.hpp"
#include "lookup_cases.hpp"

namespace database_integration {
namespace {

class StaticCursor : public testing::TestWithParam<std::tuple<Operation, Database>> {
 protected:
  void SetUp() override {
    open_or_skip(std::get<Database>(GetParam()));
    if (IsSkipped() || HasFatalFailure()) return;
    open_or_skip(Database::sqlite);
  }
};

// The listing of a default-cursor call as the static-cursor call must show it: only the
// database kind the host passed differs.
std::string database_kind_line(DatabaseKind kind) {
  const std::string field = database_kind_text(kind);
  return "database_kind=" + shown_bytes(field.data(), field.size());
}

std::string as_static_cursor_call(std::string listing) {
  const std::string plain = database_kind_line(DatabaseKind::plain);
  const std::string sqlserver = database_kind_line(DatabaseKind::sqlserver);
  const std::size_t at = listing.find(plain);
  if (at != std::string::npos) listing.replace(at, plain.size(), sqlserver);
  return listing;
}

TEST_P(StaticCursor, SameFieldBytesAsTheDefaultCursor) {
  const auto [operation, database] = GetParam();
  OdbcSession& session = demo_database(database);
  for (const LookupCase& lookup : cases_for(operation, demo_database(Database::sqlite))) {
    SCOPED_TRACE(lookup.description);
    const LookupOutcome by_default = lookup.run(session, DatabaseKind::plain);
    const LookupOutcome by_static_cursor = lookup.run(session, DatabaseKind::sqlserver);
    EXPECT_EQ(by_static_cursor.fields, as_static_cursor_call(by_default.fields));
    EXPECT_EQ(by_static_cursor.return_code, by_default.return_code);
    EXPECT_EQ(by_static_cursor.messages, by_default.messages);
    EXPECT_TRUE(at_most_truncation_warnings(by_static_cursor.messages));
  }
}

std::string test_name(const testing::TestParamInfo<StaticCursor::ParamType>& info) {
  const auto [operation, database] = info.param;
  return std::string(name(operation)) + "_On" + name(database);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, StaticCursor,
                         testing::Combine(testing::ValuesIn(kEveryOperation),
                                          testing::ValuesIn(kEveryDatabase)),
                         test_name);

}  // namespace
}  // namespace database_integration
