#include "connection/sql_script.hpp"

#include <gtest/gtest.h>

namespace itemlookup {
namespace {

using Statements = std::vector<std::string>;

TEST(SqlScript, SplitsAtSemicolonsOutsideLiterals) {
  EXPECT_EQ(split_sql_statements("INSERT INTO T VALUES ('A;B');INSERT INTO T VALUES ('C')"),
            (Statements{"INSERT INTO T VALUES ('A;B')", "INSERT INTO T VALUES ('C')"}));
}

TEST(SqlScript, DoubledQuoteStaysInTheLiteral) {
  EXPECT_EQ(split_sql_statements("SELECT 'D''AGUA;'; SELECT 1;"),
            (Statements{"SELECT 'D''AGUA;'", " SELECT 1"}));
}

TEST(SqlScript, CommentsAndEmptyStatementsGo) {
  EXPECT_EQ(split_sql_statements("-- a; comment\nSELECT 1; -- it's over\n;\n  ;"),
            (Statements{"\nSELECT 1"}));
}

TEST(SqlScript, DashesInsideLiteralsAreText) {
  EXPECT_EQ(split_sql_statements("SELECT '--x'"), (Statements{"SELECT '--x'"}));
}

}  // namespace
}  // namespace itemlookup
