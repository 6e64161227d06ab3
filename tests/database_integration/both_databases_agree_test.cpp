// Every operation of both modules, for every demo row and for keys no row has, leaves the same
// bytes in every host field on PostgreSQL (psqlODBC) as on SQLite (SQLite ODBC driver), with the
// default cursor and with the static cursor the "SQLSERVER" database kind asks for.
#include <gtest/gtest.h>

#include <tuple>

#include "demo_databases.hpp"
#include "lookup_cases.hpp"

namespace database_integration {
namespace {

class BothDatabasesAgree : public testing::TestWithParam<std::tuple<Operation, DatabaseKind>> {
 protected:
  void SetUp() override {
    open_or_skip(Database::postgres);
    if (IsSkipped() || HasFatalFailure()) return;
    open_or_skip(Database::sqlite);
  }
};

TEST_P(BothDatabasesAgree, SameFieldBytesForEveryDemoRowAndMissingKey) {
  const auto [operation, kind] = GetParam();
  OdbcSession& sqlite = demo_database(Database::sqlite);
  OdbcSession& postgres = demo_database(Database::postgres);
  for (const LookupCase& lookup : cases_for(operation, sqlite)) {
    SCOPED_TRACE(lookup.description);
    const LookupOutcome on_sqlite = lookup.run(sqlite, kind);
    const LookupOutcome on_postgres = lookup.run(postgres, kind);
    EXPECT_EQ(on_postgres.fields, on_sqlite.fields);
    EXPECT_EQ(on_postgres.return_code, 0);
    EXPECT_EQ(on_sqlite.return_code, 0);
    // Nothing failed on either side, so the message module was never called.
    EXPECT_EQ(on_postgres.messages, "");
    EXPECT_EQ(on_sqlite.messages, "");
  }
}

std::string test_name(const testing::TestParamInfo<BothDatabasesAgree::ParamType>& info) {
  const auto [operation, kind] = info.param;
  return std::string(name(operation)) +
         (kind == DatabaseKind::sqlserver ? "_StaticCursor" : "_DefaultCursor");
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, BothDatabasesAgree,
                         testing::Combine(testing::ValuesIn(kEveryOperation),
                                          testing::Values(DatabaseKind::plain,
                                                          DatabaseKind::sqlserver)),
                         test_name);

}  // namespace
}  // namespace database_integration
