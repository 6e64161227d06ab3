// Every operation of both modules, for every demo row and for keys no row has, leaves the same
// bytes in every host field on PostgreSQL (psqlODBC) and on MariaDB (its ODBC driver, on a
// connection set up as the README says) as on SQLite (SQLite ODBC driver), with the default
// cursor and with the static cursor the "SQLSERVER" database kind asks for.
#include <gtest/gtest.h>

#include <tuple>

#include "demo_databases.hpp"
#include "lookup_cases.hpp"

namespace database_integration {
namespace {

class DatabasesAgree
    : public testing::TestWithParam<std::tuple<Operation, DatabaseKind, Database>> {
 protected:
  void SetUp() override {
    open_or_skip(std::get<Database>(GetParam()));
    if (IsSkipped() || HasFatalFailure()) return;
    open_or_skip(Database::sqlite);
  }
};

TEST_P(DatabasesAgree, SameFieldBytesAsSqliteForEveryDemoRowAndMissingKey) {
  const auto [operation, kind, database] = GetParam();
  OdbcSession& sqlite = demo_database(Database::sqlite);
  OdbcSession& server = demo_database(database);
  for (const LookupCase& lookup : cases_for(operation, sqlite)) {
    SCOPED_TRACE(lookup.description);
    const LookupOutcome on_sqlite = lookup.run(sqlite, kind);
    const LookupOutcome on_server = lookup.run(server, kind);
    EXPECT_EQ(on_server.fields, on_sqlite.fields);
    EXPECT_EQ(on_server.return_code, 0);
    EXPECT_EQ(on_sqlite.return_code, 0);
    EXPECT_TRUE(at_most_truncation_warnings(on_server.messages)) << on_server.messages;
    EXPECT_TRUE(at_most_truncation_warnings(on_sqlite.messages)) << on_sqlite.messages;
  }
}

std::string test_name(const testing::TestParamInfo<DatabasesAgree::ParamType>& info) {
  const auto [operation, kind, database] = info.param;
  return std::string(name(operation)) +
         (kind == DatabaseKind::sqlserver ? "_StaticCursor_On" : "_DefaultCursor_On") +
         name(database);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, DatabasesAgree,
                         testing::Combine(testing::ValuesIn(kEveryOperation),
                                          testing::Values(DatabaseKind::plain,
                                                          DatabaseKind::sqlserver),
                                          testing::ValuesIn(kServerDatabases)),
                         test_name);

}  // namespace
}  // namespace database_integration
