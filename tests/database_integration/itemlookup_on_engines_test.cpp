// itemlookup on every engine, given the connection an operator might give it: keys that end
// their literal early wherever a backslash escapes find only their own row, because itemlookup
// makes the session read standard literals; `check` names what such a connection lacks.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "demo_databases.hpp"

namespace database_integration {
namespace {

struct ItemlookupRun {
  int exit_status = -1;
  std::string out;
};

std::string shell_quoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

ItemlookupRun itemlookup(const std::vector<std::string>& arguments) {
  std::string command = shell_quoted(ITEMLOOKUP_BINARY);
  for (const std::string& argument : arguments) command += " " + shell_quoted(argument);
  ItemlookupRun run;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  for (std::size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
    run.out.append(chunk, got);
  const int status = pclose(pipe);
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class ItemlookupOnEachDatabase : public testing::TestWithParam<Database> {
 protected:
  void SetUp() override { open_or_skip(GetParam()); }
  ItemlookupRun run(Literals literals, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(),
                     {"--connect", demo_connection_string(GetParam(), literals), "--json"});
    return itemlookup(arguments);
  }
};

TEST_P(ItemlookupOnEachDatabase, BackslashKeysFindOnlyTheirOwnRow) {
  struct Case {
    std::vector<std::string> lookup;
    int exit_status;
    const char* shown;  // part of the JSON line
  };
  const Case cases[] = {
      {{"item", "BARRA\\'S-1011"}, 0, R"("description":"SUPORTE DE PAREDE C:\\ITENS\\1011")"},
      {{"item", "\\' OR 1=1 #"}, 1, R"("status":"01027")"},
      {{"item-summary", "ABCDEFGHIJKLMNO\\"}, 1, R"("status":"01027")"},
      {{"resolve", "--barcode", "\\' OR 1=1 #", "--external", "\\' OR 1=1 #"},
       1,
       R"("status":"02129")"},
      {{"resolve", "--external", "EXT\\'1011\\"}, 0, R"("item_code":"BARRA\\'S-1011")"},
      {{"customer-resolve", "C", "42", "\\' UNION SELECT USER() #"},
       1,
       R"("fields":{"item_code":""})"},
      {{"customer-resolve", "C", "42", "C:\\ITENS\\O'NEIL\\"},
       0,
       R"("fields":{"item_code":"BARRA\\'S-1011"})"},
      {{"customer-item", "C", "42", "\\' OR 1=1 #"}, 1, R"("status":"00003")"},
  };
  for (const Case& c : cases) {
    const ItemlookupRun result = run(Literals::escaping, c.lookup);
    EXPECT_EQ(result.exit_status, c.exit_status) << c.lookup[1] << "\n" << result.out;
    EXPECT_NE(result.out.find(c.shown), std::string::npos) << c.lookup[1] << "\n" << result.out;
  }
}

TEST_P(ItemlookupOnEachDatabase, CheckPassesAConnectionSetUpAsDocumented) {
  const ItemlookupRun result = run(Literals::as_documented, {"check"});
  EXPECT_EQ(result.exit_status, 0) << result.out;
  EXPECT_NE(result.out.find(R"("ok":true,"problems":0})"), std::string::npos) << result.out;
  std::vector<std::string> shown = {
      R"({"topic":"autocommit","ok":true,"detail":"on: each statement is a transaction of its own"})",
      R"({"topic":"host modules","ok":true,)",
  };
  switch (GetParam()) {
    case Database::sqlite:
      shown.push_back(R"({"topic":"session setting","ok":true,"detail":"the engine's own )"
                      R"(reading: standard literals, proven again on a fresh statement"})");
      break;
    case Database::postgres:
      shown.push_back(R"({"topic":"server role","ok":true,"detail":"primary: reads and writes"})");
      shown.push_back(R"({"topic":"session setting","ok":true,"detail":"itemlookup's SET )"
                      R"(standard_conforming_strings = on: standard literals, proven again on )"
                      R"(a fresh statement"})");
      break;
    case Database::mariadb:
      shown.push_back(R"({"topic":"session setting","ok":true,"detail":"itemlookup's SET )"
                      R"(SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES'): standard )"
                      R"(literals, proven again on a fresh statement"})");
      break;
  }
  for (const std::string& part : shown) {
    EXPECT_NE(result.out.find(part), std::string::npos) << part << "\n" << result.out;
  }
}

TEST_P(ItemlookupOnEachDatabase, CheckNamesTheSettingAnEscapingConnectionLacks) {
  const ItemlookupRun result = run(Literals::escaping, {"check"});
  const char* fix = nullptr;
  switch (GetParam()) {
    case Database::sqlite:
      EXPECT_EQ(result.exit_status, 0) << result.out;
      return;
    case Database::postgres:
      fix = "ConnSettings=SET standard_conforming_strings=on";
      break;
    case Database::mariadb:
      fix = "InitStmt=SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES')";
      break;
  }
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find(R"({"topic":"string literals","ok":false)"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find(fix), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(R"("problems":1})"), std::string::npos) << result.out;
}

TEST(ItemlookupCheck, NamesTheCollationOfCaseInsensitiveKeyColumns) {
  open_or_skip(Database::mariadb);
  if (IsSkipped() || HasFatalFailure()) return;
  const ItemlookupRun result = itemlookup({"--connect", case_insensitive_mariadb_demo(), "check"});
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find("PROBLEM  letter case      a key differing only in letter case "
                            "finds another row in VNDADFIT.ADFIT_COD_ITEM"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("fix: COLLATE utf8mb4_bin"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\n1 problem\n"), std::string::npos) << result.out;
}

// A table the role may not read is not a missing table: the driver's message, on one line.
TEST(ItemlookupCheck, ShowsTheDriversMessageForTablesTheRoleMayNotRead) {
  open_or_skip(Database::postgres);
  if (IsSkipped() || HasFatalFailure()) return;
  OdbcSession& session = demo_database(Database::postgres);
  // Roles belong to the whole server: test processes side by side may both create it.
  session.execute(
      "DO $$BEGIN CREATE ROLE item_lookup_no_rights NOLOGIN; EXCEPTION WHEN duplicate_object "
      "OR unique_violation THEN NULL; END$$");
  session.execute("GRANT USAGE ON SCHEMA " + postgres_demo_schema() + " TO item_lookup_no_rights");
  std::string connection = demo_connection_string(Database::postgres, Literals::as_documented);
  connection.insert(connection.rfind('}'), ";SET ROLE item_lookup_no_rights");
  const ItemlookupRun result = itemlookup({"--connect", connection, "check"});
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find("PROBLEM  table VNDADFIT   cannot be read: [42501] ERROR: permission "
                            "denied for table vndadfit; Error while executing the query\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.out.find("not found"), std::string::npos) << result.out;
}

class ItemlookupCheckOnEachServer : public testing::TestWithParam<Database> {
 protected:
  void SetUp() override { open_or_skip(GetParam()); }
};

TEST_P(ItemlookupCheckOnEachServer, NamesTheCollationOfKeyColumnsThatKeepTrailingSpaces) {
  const ItemlookupRun result =
      itemlookup({"--connect", trailing_space_keeping_demo(GetParam()), "check"});
  EXPECT_EQ(result.exit_status, 2) << result.out;
  EXPECT_NE(result.out.find("PROBLEM  trailing spaces  a key padded with spaces to its field "
                            "width finds no row in VNDADFIT.ADFIT_COD_ITEM, "
                            "VNDADFIT.ADFIT_COD_BARRAS, VNDADFIT.ADFIT_COD_EXTERNO, "
                            "VNDAITCL.AITCL_COD_ITEM, VNDAITCL.AITCL_ITEM_CLIENTE\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find(GetParam() == Database::postgres ? "fix: CHAR(n) key columns"
                                                             : "fix: COLLATE utf8mb4_bin"),
            std::string::npos)
      << result.out;
}

INSTANTIATE_TEST_SUITE_P(OnEachServer, ItemlookupCheckOnEachServer,
                         testing::ValuesIn(kServerDatabases),
                         [](const testing::TestParamInfo<Database>& info) {
                           return std::string(name(info.param));
                         });

INSTANTIATE_TEST_SUITE_P(OnEachDatabase, ItemlookupOnEachDatabase,
                         testing::ValuesIn(kEveryDatabase),
                         [](const testing::TestParamInfo<Database>& info) {
                           return std::string(name(info.param));
                         });

}  // namespace
}  // namespace database_integration
