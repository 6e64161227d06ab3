// itemlookup's session proof, `check` and lookup retry, over the ODBC test double: an engine the
// host does not know, statements answered by their text, and every statement read back.
#include <gtest/gtest.h>
#include <sqlext.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "check/check_findings.hpp"
#include "check/connection_check.hpp"
#include "command/command_error.hpp"
#include "connection/database_engine.hpp"
#include "connection/lookup_retry.hpp"
#include "lookup/host_module_channel.hpp"
#include "lookup/lookup_request.hpp"
#include "lookup/module_loader.hpp"
#include "odbc_double.hpp"
#include "report/lookup_report.hpp"

namespace {

using itemlookup::LiteralReading;
using odbc_double::Diagnostic;
using odbc_double::StatementAnswer;

StatementAnswer fails(std::string message) {
  return {.rows = {}, .failure = Diagnostic{"42000", 7, std::move(message)}};
}
StatementAnswer answers(std::string value) {
  return {.rows = {{std::move(value)}}, .failure = {}};
}

class CheckOverDouble : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(odbc_double::is_process_driver_manager());
    odbc_double::reset();
  }
  void TearDown() override { odbc_double::reset(); }
};

// How each dialect answers: nothing scripted answers with no row.
struct ProofCase {
  const char* name;
  std::vector<std::pair<std::string, StatementAnswer>> answers;
  LiteralReading reading;
  std::string statement;  // the backslash statement of the dialect that answered
  std::string shown;      // part of ensure_standard_literals' refusal; empty when it passes
  std::string finding;    // check's "string literals" finding
};

TEST_F(CheckOverDouble, ProvesLiteralsOnAnEngineItDoesNotKnow) {
  const std::vector<ProofCase> cases = {
      {"needs FROM DUAL, standard",
       {{"SELECT '\\'", fails("FROM expected")},
        {"SELECT 'x'", fails("FROM expected")},
        {"SELECT '\\' FROM DUAL", answers("\\")}},
       LiteralReading::standard,
       "SELECT '\\' FROM DUAL",
       "",
       "standard: a backslash is an ordinary character (SELECT '\\' FROM DUAL)"},
      {"VALUES only, standard",
       {{"SELECT '\\'", fails("no")},
        {"SELECT 'x'", fails("no")},
        {"SELECT '\\' FROM DUAL", fails("no DUAL")},
        {"SELECT 'x' FROM DUAL", fails("no DUAL")},
        {"VALUES ('\\')", answers("\\")}},
       LiteralReading::standard,
       "VALUES ('\\')",
       "",
       "standard: a backslash is an ordinary character (VALUES ('\\'))"},
      {"needs FROM RDB$DATABASE, escaping",
       {{"SELECT '\\'", fails("FROM expected")},
        {"SELECT 'x'", fails("FROM expected")},
        {"SELECT '\\' FROM DUAL", fails("no DUAL")},
        {"SELECT 'x' FROM DUAL", fails("no DUAL")},
        {"VALUES ('\\')", fails("no VALUES")},
        {"VALUES ('x')", fails("no VALUES")},
        {"SELECT '\\' FROM RDB$DATABASE", fails("unterminated string")},
        {"SELECT 'x' FROM RDB$DATABASE", answers("x")}},
       LiteralReading::escaping,
       "SELECT '\\' FROM RDB$DATABASE",
       "reads a backslash in a string literal as an escape",
       "a backslash escapes the next character, so a key can end its literal early (SELECT '\\' "
       "FROM RDB$DATABASE)"},
      {"nothing answers",
       {{"SELECT '\\'", fails("connection lost")},
        {"SELECT 'x'", fails("connection lost")},
        {"SELECT '\\' FROM DUAL", fails("connection lost")},
        {"SELECT 'x' FROM DUAL", fails("connection lost")},
        {"VALUES ('\\')", fails("connection lost")},
        {"VALUES ('x')", fails("connection lost")},
        {"SELECT '\\' FROM RDB$DATABASE", fails("connection lost")},
        {"SELECT 'x' FROM RDB$DATABASE", fails("connection lost")},
        {"SELECT '\\' FROM SYSIBM.SYSDUMMY1", fails("connection lost")},
        {"SELECT 'x' FROM SYSIBM.SYSDUMMY1", fails("connection lost")}},
       LiteralReading::unproven,
       "",
       "cannot prove that the connection to Obscura DB reads a backslash in a string literal as "
       "an ordinary character, so a key could end its literal early; no lookup runs.\n  The "
       "database answered no query without a table (SELECT '\\', SELECT '\\' FROM DUAL, VALUES "
       "('\\'), SELECT '\\' FROM RDB$DATABASE, SELECT '\\' FROM SYSIBM.SYSDUMMY1): [42000] "
       "connection lost\n  To fix: make every session read string literals as standard SQL",
       "cannot prove how a backslash is read: no query without a table answered (SELECT '\\', "
       "SELECT '\\' FROM DUAL, VALUES ('\\'), SELECT '\\' FROM RDB$DATABASE, SELECT '\\' FROM "
       "SYSIBM.SYSDUMMY1): [42000] connection lost"},
  };
  for (const ProofCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "Obscura DB");
    for (const auto& [text, answer] : c.answers) odbc_double::script_statement(text, answer);
    const itemlookup::OdbcConnection connection("DSN=anything");
    const itemlookup::LiteralProof proof = itemlookup::prove_literals(connection);
    EXPECT_EQ(proof.reading, c.reading) << c.name;
    EXPECT_EQ(proof.statement, c.statement) << c.name;
    const itemlookup::DatabaseEngine engine = itemlookup::identify_engine(connection);
    std::string refusal;
    try {
      itemlookup::ensure_standard_literals(connection, engine);
    } catch (const itemlookup::CommandError& error) {
      refusal = error.what();
    }
    itemlookup::CheckReport report{engine, {}};
    itemlookup::CheckContext context{connection, report, {}};
    itemlookup::check_literals(context);
    ASSERT_EQ(report.findings.size(), 1u) << c.name;
    EXPECT_EQ(report.findings[0].detail, c.finding) << c.name;
    EXPECT_EQ(report.findings[0].ok, c.reading == LiteralReading::standard) << c.name;
    if (c.shown.empty()) {
      EXPECT_EQ(refusal, "") << c.name;
    } else {
      EXPECT_NE(refusal.find(c.shown), std::string::npos) << c.name << ": " << refusal;
    }
  }
}

// A session statement that runs is no proof: the literal is read again after it.
TEST_F(CheckOverDouble, ProvesTheSessionAfterItsStatement) {
  odbc_double::script_info(SQL_DBMS_NAME, "PostgreSQL");
  odbc_double::script_statement("SELECT '\\'", fails("unterminated quoted string"));
  odbc_double::script_statement("SELECT 'x'", answers("x"));
  const itemlookup::OdbcConnection connection("DSN=anything");
  EXPECT_THROW(
      itemlookup::ensure_standard_literals(connection, itemlookup::identify_engine(connection)),
      itemlookup::CommandError);
  const std::vector<std::string> executed = odbc_double::executed_statements();
  ASSERT_GE(executed.size(), 2u);
  EXPECT_EQ(executed[0], "SET standard_conforming_strings = on");
  EXPECT_EQ(executed[1], "SELECT '\\'");
}

// Every table read asks the server for a bounded number of rows, in the engine's words, and the
// key probes compare the columns a lookup compares beside the key, as an index reads them.
TEST_F(CheckOverDouble, AsksTheServerForBoundedRows) {
  // How the engine's words bound a statement to n rows: around "SELECT" and at the end.
  struct Engine {
    const char* dbms_name;
    std::string select_1, end_1;
    std::string select_500, end_500;
  };
  const Engine engines[] = {{"PostgreSQL", "SELECT ", " LIMIT 1", "SELECT ", " LIMIT 500"},
                            {"Microsoft SQL Server", "SELECT TOP 1 ", "", "SELECT TOP 500 ", ""},
                            {"Obscura DB", "SELECT ", " FETCH FIRST 1 ROWS ONLY", "SELECT ",
                             " FETCH FIRST 500 ROWS ONLY"}};
  for (const Engine& engine : engines) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, engine.dbms_name);
    odbc_double::script_statement(engine.select_500 +
                                      "AITCL_COD_ITEM, AITCL_TIPO, AITCL_CODIGO FROM VNDAITCL "
                                      "WHERE AITCL_COD_ITEM IS NOT NULL" +
                                      engine.end_500,
                                  {.rows = {{"abc1", "C", "00042"}}, .failure = {}});
    const itemlookup::OdbcConnection connection("DSN=anything");
    const itemlookup::ModuleSet modules(ITEM_LOOKUP_LIB_DIR);
    const itemlookup::LookupHost host(modules, connection, "");
    const itemlookup::CheckReport report = itemlookup::check_connection(connection, host, {});

    const std::vector<std::string> executed = odbc_double::executed_statements();
    std::size_t table_reads = 0;
    for (const std::string& sql : executed) {
      if (sql.find(" FROM VNDA") == std::string::npos) continue;
      ++table_reads;
      EXPECT_TRUE((sql.starts_with(engine.select_500) && sql.ends_with(engine.end_500)) ||
                  (sql.starts_with(engine.select_1) && sql.ends_with(engine.end_1)))
          << engine.dbms_name << ": " << sql;
    }
    EXPECT_GE(table_reads, 12u) << engine.dbms_name;
    for (const char* probe : {"'abc1            '", "'ABC1            '"}) {
      const std::string sql = engine.select_500 +
                              "AITCL_COD_ITEM FROM VNDAITCL WHERE AITCL_COD_ITEM = " + probe +
                              " AND AITCL_TIPO = 'C' AND AITCL_CODIGO = '00042'" + engine.end_500;
      EXPECT_NE(std::find(executed.begin(), executed.end(), sql), executed.end())
          << engine.dbms_name << ": " << sql;
    }
  }
}

// A table is named missing only when the engine says it does not know it; any other failure
// (a lost connection, a permission, a file that is no database) shows the driver's message.
TEST_F(CheckOverDouble, NamesATableMissingOnlyWhenTheEngineSaysSo) {
  struct TableCase {
    const char* dbms_name;
    const char* limit_1;
    Diagnostic failure;
    std::string detail;
  };
  const TableCase cases[] = {
      {"PostgreSQL", " LIMIT 1", {"42P01", 7, "relation \"vndadfit\" does not exist"}, "not found"},
      {"PostgreSQL",
       " LIMIT 1",
       {"42501", 7, "permission denied for table vndadfit"},
       "cannot be read: [42501] permission denied for table vndadfit"},
      {"PostgreSQL",
       " LIMIT 1",
       {"08S01", 26, "server closed the connection unexpectedly"},
       "cannot be read: [08S01] server closed the connection unexpectedly"},
      {"MariaDB", " LIMIT 1", {"HY000", 1146, "Table 'items.VNDADFIT' doesn't exist"}, "not found"},
      {"SQLite", " LIMIT 1", {"HY000", 1, "no such table: VNDADFIT (1)"}, "not found"},
      {"SQLite",
       " LIMIT 1",
       {"HY000", 26, "file is not a database (26)"},
       "cannot be read: [HY000] file is not a database (26)"},
      {"Obscura DB",
       " FETCH FIRST 1 ROWS ONLY",
       {"42S02", 204, "VNDADFIT is an undefined name"},
       "not found"},
      // Another engine's native code 1146 means nothing here.
      {"Obscura DB",
       " FETCH FIRST 1 ROWS ONLY",
       {"HY000", 1146, "disk quota exceeded"},
       "cannot be read: [HY000] disk quota exceeded"},
  };
  for (const TableCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, c.dbms_name);
    const StatementAnswer failing{.rows = {}, .failure = c.failure};
    odbc_double::script_statement(
        "SELECT ADFIT_COD_ITEM,ADFIT_FAM_VENDA,ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,"
        "ADFIT_RASTRO_NFE,ADFIT_DET_ESP,ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV,"
        "ADFIT_PESO_LIQUIDO,ADFIT_PESO_BRUTO FROM VNDADFIT WHERE 1 = 0" +
            std::string(c.limit_1),
        failing);
    odbc_double::script_statement("SELECT 1 FROM VNDADFIT WHERE 1 = 0" + std::string(c.limit_1),
                                  failing);
    const itemlookup::OdbcConnection connection("DSN=anything");
    itemlookup::CheckReport report{itemlookup::identify_engine(connection), {}};
    itemlookup::CheckContext context{connection, report, {}};
    itemlookup::check_tables(context);
    ASSERT_EQ(report.findings.size(), 2u) << c.dbms_name;
    EXPECT_EQ(report.findings[0].topic, "table VNDADFIT");
    EXPECT_FALSE(report.findings[0].ok) << c.dbms_name << " " << c.failure.message;
    EXPECT_EQ(report.findings[0].detail, c.detail) << c.dbms_name << " " << c.failure.message;
    EXPECT_TRUE(report.findings[1].ok) << "VNDAITCL answers: " << report.findings[1].detail;
  }
}

const itemlookup::CheckFinding* finding(const itemlookup::CheckReport& report,
                                        const std::string& topic) {
  for (const itemlookup::CheckFinding& finding : report.findings) {
    if (finding.topic == topic) return &finding;
  }
  return nullptr;
}

// What a transaction pooler or a standby makes of the session: autocommit, the server's role
// and its replay lag, and the session setting proven again on a fresh statement.
TEST_F(CheckOverDouble, ReportsTheSessionAsAPoolerSeesIt) {
  struct SessionCase {
    const char* name;
    std::function<void()> script;
    std::string topic;
    bool ok;
    std::string detail;
  };
  const std::string role_query =
      "SELECT pg_is_in_recovery(), now() - pg_last_xact_replay_timestamp()";
  const SessionCase cases[] = {
      {"autocommit on", [] {}, "autocommit", true,
       "on: each statement is a transaction of its own"},
      {"autocommit off",
       [] { odbc_double::script_connection_attribute(SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF); },
       "autocommit", false,
       "off: the session keeps a transaction open between lookups, which pins a server "
       "connection behind a transaction pooler"},
      {"primary",
       [&] {
         odbc_double::script_statement(role_query, {{{"0", odbc_double::sql_null}}});
       },
       "server role", true, "primary: reads and writes"},
      {"standby",
       [&] {
         odbc_double::script_statement(role_query, {{{"1", "00:00:02.5"}}});
       },
       "server role", true,
       "read-only standby, replay lag 00:00:02.5 (now() - pg_last_xact_replay_timestamp())"},
      {"setting kept", [] { odbc_double::script_statement("SELECT '\\'", answers("\\")); },
       "session setting", true,
       "itemlookup's SET standard_conforming_strings = on: standard literals, proven again on a "
       "fresh statement"},
      {"setting lost on the next statement",
       [] {
         // As given, then after the session statement, then on the next statement.
         odbc_double::script_statement("SELECT '\\'", answers("\\"));
         odbc_double::script_statement("SELECT '\\'", answers("\\"));
         odbc_double::script_statement("SELECT '\\'", fails("unterminated quoted string"));
         odbc_double::script_statement("SELECT 'x'", answers("x"));
       },
       "session setting", false,
       "itemlookup's SET standard_conforming_strings = on held for one statement but not for the "
       "next (SELECT '\\'): the session does not keep its settings, as behind a pooler that does "
       "not track them"},
  };
  for (const SessionCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "PostgreSQL");
    c.script();
    const itemlookup::OdbcConnection connection("DSN=anything");
    const itemlookup::ModuleSet modules(ITEM_LOOKUP_LIB_DIR);
    const itemlookup::LookupHost host(modules, connection, "");
    const itemlookup::CheckReport report = itemlookup::check_connection(connection, host, {});
    const itemlookup::CheckFinding* seen = finding(report, c.topic);
    ASSERT_NE(seen, nullptr) << c.name;
    EXPECT_EQ(seen->ok, c.ok) << c.name;
    EXPECT_EQ(seen->detail, c.detail) << c.name;
  }
}

// What the host's connection saw, in order: each connect with its string, each disconnect, and
// the text of each statement.
std::vector<std::string> connection_trace() {
  std::vector<std::string> trace;
  for (const odbc_double::Call& call : odbc_double::calls()) {
    if (call.function == odbc_double::Function::connect) trace.push_back("connect " + call.text);
    if (call.function == odbc_double::Function::disconnect) trace.push_back("disconnect");
    if (call.function == odbc_double::Function::exec) trace.push_back(call.text);
  }
  return trace;
}

std::string padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

// A hot standby cancelled the lookup's read to replay changes (40001): through the real modules
// and host modules, itemlookup disconnects, connects again with the original string, proves the
// session again and runs the same lookup again, as often as --retries allows.
TEST_F(CheckOverDouble, RetriesALookupAStandbyCancelled) {
  struct ConflictCase {
    const char* name;
    int retries;    // --retries
    int cancelled;  // tries cancelled, from the first; the demo row answers later ones
    bool found;     // else the lookup ends with the standby's error after every retry
  };
  const ConflictCase cases[] = {
      {"cancelled once, then found", 3, 1, true},
      {"cancelled on every try", 2, 3, false},
  };
  const std::string connection_string = "DSN=standby;Pqopt={target_session_attrs=read-only}";
  const std::string lookup =
      "SELECT ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,ADFIT_RASTRO_NFE,"
      "ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV FROM VNDADFIT WHERE ADFIT_COD_ITEM = "
      "'1001            '";
  const Diagnostic conflict{"40001", 1, "ERROR: canceling statement due to conflict with recovery"};
  // Item 1001 of the demo rows, every field of VELDORIN's parameter list in order.
  const std::string found_fields = "2" + padded("1001", 16) + padded("", 10) +
                                   padded("EXT-1001", 16) + padded("7891000100017", 16) +
                                   padded("PARACETAMOL 500MG 20 COMPRIMIDOS", 55) + "S " +
                                   "1001000100011" + "000000001234" + "000000001050" +
                                   "00000000000" + "00000000000" + "00000" + padded("", 15);
  const std::vector<std::string> words = {"item-summary", "1001"};
  const itemlookup::LookupRequest request = itemlookup::parse_lookup_request(words);
  // The modules find PGMS/ under the current directory: the real host modules, as in itemlookup.
  const std::filesystem::path test_directory = std::filesystem::current_path();
  std::filesystem::current_path(ITEM_LOOKUP_LIB_DIR);
  for (const ConflictCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "PostgreSQL");
    odbc_double::script_statement("SELECT '\\'", answers("\\"));
    for (int i = 0; i < c.cancelled; ++i) {
      odbc_double::script_statement(lookup, {.rows = {}, .failure = conflict});
    }
    odbc_double::script_statement(
        lookup, {.rows = {{"EXT-1001", "7891000100017", "PARACETAMOL 500MG 20 COMPRIMIDOS", "S",
                           "1001000100011", "12.34", "10.50"}},
                 .failure = {}});
    const itemlookup::ModuleSet modules(ITEM_LOOKUP_LIB_DIR);
    itemlookup::HostModuleChannel channel(ITEM_LOOKUP_LIB_DIR);
    channel.quiet_message_module();
    itemlookup::OdbcConnection connection(connection_string);
    itemlookup::ensure_standard_literals(connection, itemlookup::identify_engine(connection));
    const itemlookup::LookupHost host(modules, connection, "", &channel);
    itemlookup::RetryingLookups lookups(itemlookup::host_retry_steps(host, connection), c.retries);
    const itemlookup::LookupResult result = lookups.run(request);

    const int retries = c.found ? c.cancelled : c.retries;
    EXPECT_EQ(result.retries, retries) << c.name;
    EXPECT_EQ(lookups.reconnects(), static_cast<std::size_t>(retries)) << c.name;
    EXPECT_EQ(result.retried_errors.size(), static_cast<std::size_t>(retries)) << c.name;
    for (const itemlookup::LookupError& retried : result.retried_errors) {
      EXPECT_EQ(retried.sqlstate, conflict.sqlstate) << c.name;
      EXPECT_EQ(retried.native_error, conflict.native_error) << c.name;
      EXPECT_EQ(retried.message, conflict.message) << c.name;
    }
    if (c.found) {
      EXPECT_TRUE(result.errors.empty()) << c.name;
      EXPECT_EQ(result.fields, found_fields) << c.name;
    } else {
      // Never "not found": the host reports the error and exits 2.
      EXPECT_EQ(result.errors.empty() ? "" : result.errors.front().sqlstate, "40001") << c.name;
      EXPECT_FALSE(result.found()) << c.name;
    }
    // Each try: the session set up and proven, then the lookup.
    const std::vector<std::string> a_try = {"SET standard_conforming_strings = on", "SELECT '\\'",
                                            lookup};
    std::vector<std::string> expected = {"connect " + connection_string};
    expected.insert(expected.end(), a_try.begin(), a_try.end());
    for (int retry = 0; retry < retries; ++retry) {
      expected.insert(expected.end(), {"disconnect", "connect " + connection_string});
      expected.insert(expected.end(), a_try.begin(), a_try.end());
    }
    EXPECT_EQ(connection_trace(), expected) << c.name;
  }
  std::filesystem::current_path(test_directory);
}

}  // namespace
