// itemlookup's session proof, `check` and lookup retry, over the ODBC test double: an engine the
// host does not know, statements answered by their text, and every statement read back.
#include <gtest/gtest.h>
#include <sqlext.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "check/check_findings.hpp"
#include "check/connection_check.hpp"
#include "connection/database_engine.hpp"
#include "connection/lookup_watchdog.hpp"
#include "errors_and_text/cannot_run.hpp"
#include "lookup/host_module_channel.hpp"
#include "lookup/lookup_request.hpp"
#include "lookup/lookup_retry.hpp"
#include "lookup/module_loader.hpp"
#include "odbc_double.hpp"
#include "report/lookup_report.hpp"
#include "temporary_folder.hpp"

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
    } catch (const itemlookup::CannotRun& error) {
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
      itemlookup::CannotRun);
  const std::vector<std::string> executed = odbc_double::executed_statements();
  ASSERT_GE(executed.size(), 2u);
  EXPECT_EQ(executed[0], "SET standard_conforming_strings = on");
  EXPECT_EQ(executed[1], "SELECT '\\'");
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

// The first connect follows the rule of every later one: a session whose proof fails is
// disconnected before the refusal is reported, and no lookup gets the handle.
TEST_F(CheckOverDouble, StartsNoSessionThatFailsItsProof) {
  odbc_double::script_info(SQL_DBMS_NAME, "PostgreSQL");
  odbc_double::script_statement("SELECT '\\'", fails("unterminated quoted string"));
  odbc_double::script_statement("SELECT 'x'", answers("x"));
  try {
    const itemlookup::OdbcConnection connection("DSN=anything",
                                                itemlookup::set_up_standard_literals);
    ADD_FAILURE() << "a session that reads a backslash as an escape was kept";
  } catch (const itemlookup::CannotRun& error) {
    EXPECT_TRUE(
        std::string(error.what())
            .starts_with(
                "the connection to PostgreSQL reads a backslash in a string literal as an escape"))
        << error.what();
  }
  EXPECT_EQ(connection_trace(), (std::vector<std::string>{
                                    "connect DSN=anything", "SET standard_conforming_strings = on",
                                    "SELECT '\\'", "SELECT 'x'", "disconnect"}));
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

// Driver logging, as each driver reads its settings: the connection string first, then the DSN's
// section of odbc.ini; psqlODBC's own section of odbcinst.ini whenever no connection is open.
// The ini files are the test's own (ODBCSYSINI, ODBCINI), set before anything reads them.
TEST_F(CheckOverDouble, NamesDriverLoggingAndWhereItIsSet) {
  const test_support::TemporaryFolder scratch("driver-logging-");
  const std::filesystem::path& folder = scratch.path();
  // CommLog=1 in the driver's own section is how Debian's odbc-postgresql registers psqlODBC.
  std::ofstream(folder / "odbcinst.ini")
      << "[PostgreSQL ANSI]\nDebug = 1\nCommLog = 1\nLogdir = /var/log/pg\n"
         "[Pg Quiet]\nCommLog = 1\n";
  std::ofstream(folder / "odbc.ini") << "[logs]\nCommLog=1\n[debugs]\nDebug=2\n[short]\nB3=1\n"
                                        "[quiet]\nCommLog=0\n"
                                        "[traces]\nOPTIONS=6\n[plain]\nOPTIONS=3\n";
  setenv("ODBCSYSINI", folder.c_str(), 1);
  setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
  // MariaDB's driver writes its trace to the home folder.
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  setenv("HOME", folder.c_str(), 1);
  const std::string maodbc = folder.string() + "/maodbc.log, a write in every lookup";
  struct LoggingCase {
    const char* driver;  // SQL_DRIVER_NAME
    std::string connection_string;
    bool trace;
    std::string detail;  // empty: ok
    std::string fix;
  };
  const std::string commlog_effect =
      "psqlODBC writes every statement and its answer to /tmp/psqlodbc_<program>_<user><pid>.log, "
      "a write in every lookup";
  const LoggingCase cases[] = {
      {"sqlite3odbc.so", "DRIVER=SQLite3;Database=x;CommLog=1", false, "", ""},
      {"psqlodbcw.so", "DRIVER={PostgreSQL Unicode};Server=h;CommLog=0", false, "", ""},
      {"psqlodbcw.so", "DRIVER={PostgreSQL Unicode};Server=h;commlog = 1", false,
       "CommLog=1 in the connection string: " + commlog_effect,
       "CommLog=0 in the connection string"},
      // The last value given is the one the driver keeps; braces may hold semicolons.
      {"psqlodbcw.so", "Pqopt={a=1;CommLog=1};CommLog=1;DSN=quiet;CommLog=0", false, "", ""},
      {"psqlodbcw.so", "DSN=logs", false,
       "CommLog=1 in the DSN's section [logs] of odbc.ini: " + commlog_effect,
       "CommLog=0 in [logs] of odbc.ini, or CommLog=0 in the connection string"},
      {"psqlodbcw.so", "DSN=logs;B3=0", false, "", ""},
      {"psqlodbcw.so", "DSN=debugs", false,
       "Debug=2 in the DSN's section [debugs] of odbc.ini: psqlODBC writes every driver call to "
       "/tmp/mylog_<program>_<user><pid>.log, a write in every lookup",
       "Debug=0 in [debugs] of odbc.ini, or Debug=0 in the connection string"},
      // The short names are for connection strings: the driver reads none from odbc.ini.
      {"psqlodbcw.so", "DSN=short", false, "", ""},
      // psqlODBC reads its own section, not the one the connection names.
      {"psqlodbcw.so", "DRIVER=Pg Quiet;Server=h", false, "", ""},
      {"psqlodbca.so", "DRIVER=Pg Quiet;Server=h", false,
       "CommLog=1 in the driver's own section [PostgreSQL ANSI] of odbcinst.ini: every process "
       "that loads psqlODBC writes /var/log/pg/psqlodbc_<program>_<user><pid>.log whenever none "
       "of its connections is open, each disconnect at least, even with CommLog=0 in the "
       "connection string; "
       "Debug=1 in the driver's own section [PostgreSQL ANSI] of odbcinst.ini: every process "
       "that loads psqlODBC writes /var/log/pg/mylog_<program>_<user><pid>.log whenever none of "
       "its connections is open, each disconnect at least, even with Debug=0 in the connection "
       "string",
       "CommLog=0 in [PostgreSQL ANSI] of odbcinst.ini (odbcinst -j names the file); "
       "Debug=0 in [PostgreSQL ANSI] of odbcinst.ini (odbcinst -j names the file)"},
      {"libmaodbc.so", "DSN=traces", false,
       "OPTIONS=6 in the DSN's section [traces] of odbc.ini: MariaDB Connector/ODBC writes "
       "every call to " +
           maodbc,
       "TRACE=0 in [traces] of odbc.ini, or TRACE=0 in the connection string"},
      {"libmaodbc.so", "DSN=traces;TRACE=0", false, "", ""},
      {"libmaodbc.so", "DSN=plain", false, "", ""},
      {"libmaodbc.so", "DSN=plain;Trace=yes", false,
       "TRACE=yes in the connection string: MariaDB Connector/ODBC writes every call to " + maodbc,
       "TRACE=0 in the connection string"},
      {"sqlite3odbc.so", "DRIVER=SQLite3;Database=x", true,
       "the driver manager's trace is on (Trace=Yes in the [ODBC] section of odbcinst.ini): "
       "every ODBC call is written to its trace file",
       "Trace=No in the [ODBC] section of odbcinst.ini"},
  };
  for (const LoggingCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "PostgreSQL");
    odbc_double::script_info(SQL_DRIVER_NAME, c.driver);
    if (c.trace) odbc_double::script_connection_attribute(SQL_ATTR_TRACE, SQL_OPT_TRACE_ON);
    const itemlookup::OdbcConnection connection(c.connection_string);
    itemlookup::CheckReport report{itemlookup::identify_engine(connection), {}};
    itemlookup::CheckContext context{connection, report, {}};
    itemlookup::check_driver_logging(context);
    ASSERT_EQ(report.findings.size(), 1u) << c.connection_string;
    const itemlookup::CheckFinding& seen = report.findings[0];
    EXPECT_EQ(seen.topic, "driver logging");
    EXPECT_EQ(seen.ok, c.detail.empty()) << c.connection_string << ": " << seen.detail;
    if (c.detail.empty()) {
      EXPECT_EQ(seen.detail, "off: no driver manager trace, and no log setting of " +
                                 std::string(c.driver) + " on")
          << c.connection_string;
    } else {
      EXPECT_EQ(seen.detail, c.detail) << c.connection_string;
      EXPECT_EQ(seen.fix, c.fix) << c.connection_string;
    }
  }
  setenv("HOME", home.c_str(), 1);
}

std::string padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

// The statement VELDORIN's item-summary runs for an item code.
std::string summary_lookup(const std::string& item) {
  return "SELECT ADFIT_COD_EXTERNO,ADFIT_COD_BARRAS,ADFIT_DESCRICAO,ADFIT_RASTRO_NFE,"
         "ADFIT_COD_ANVISA,ADFIT_VALOR_PMC,ADFIT_VALOR_PMV FROM VNDADFIT WHERE ADFIT_COD_ITEM = '" +
         padded(item, 16) + "'";
}

// Item 1001's demo row, as the database answers item-summary.
const StatementAnswer kItem1001 = {
    .rows = {{"EXT-1001", "7891000100017", "PARACETAMOL 500MG 20 COMPRIMIDOS", "S", "1001000100011",
              "12.34", "10.50"}},
    .failure = {}};

// itemlookup's lookups as HostSetup builds them for a lookup or a batch, over the double: the
// real modules and host modules on a connection set up for standard literals, under the retry
// rule. The modules find PGMS/ under the current directory, so the test runs from theirs.
struct HostOverDouble {
  HostOverDouble(const std::string& connection_string, int retries)
      : connection(connection_string, itemlookup::set_up_standard_literals),
        lookups(itemlookup::host_retry_steps(host, connection), retries) {
    channel.quiet_message_module();
  }

  itemlookup::ModuleSet modules{ITEM_LOOKUP_LIB_DIR};
  itemlookup::HostModuleChannel channel{ITEM_LOOKUP_LIB_DIR};
  itemlookup::OdbcConnection connection;
  itemlookup::LookupHost host{modules, connection, "", &channel};
  itemlookup::RetryingLookups lookups;
};

class InModuleDirectory {
 public:
  InModuleDirectory() { std::filesystem::current_path(ITEM_LOOKUP_LIB_DIR); }
  ~InModuleDirectory() { std::filesystem::current_path(test_directory_); }

 private:
  const std::filesystem::path test_directory_ = std::filesystem::current_path();
};

std::vector<std::string> retried_sqlstates(const itemlookup::LookupResult& result) {
  std::vector<std::string> states;
  for (const itemlookup::LookupError& error : result.retried_errors) {
    states.push_back(error.sqlstate);
  }
  return states;
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
  const std::string lookup = summary_lookup("1001");
  const Diagnostic conflict{"40001", 1, "ERROR: canceling statement due to conflict with recovery"};
  // Item 1001 of the demo rows, every field of VELDORIN's parameter list in order.
  const std::string found_fields = "2" + padded("1001", 16) + padded("", 10) +
                                   padded("EXT-1001", 16) + padded("7891000100017", 16) +
                                   padded("PARACETAMOL 500MG 20 COMPRIMIDOS", 55) + "S " +
                                   "1001000100011" + "000000001234" + "000000001050" +
                                   "00000000000" + "00000000000" + "00000" + padded("", 15);
  const std::vector<std::string> words = {"item-summary", "1001"};
  const itemlookup::LookupRequest request = itemlookup::parse_lookup_request(words);
  const InModuleDirectory in_module_directory;
  for (const ConflictCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "PostgreSQL");
    odbc_double::script_statement("SELECT '\\'", answers("\\"));
    for (int i = 0; i < c.cancelled; ++i) {
      odbc_double::script_statement(lookup, {.rows = {}, .failure = conflict});
    }
    odbc_double::script_statement(lookup, kItem1001);
    HostOverDouble itemlookup(connection_string, c.retries);
    const itemlookup::LookupResult result = itemlookup.lookups.run(request);

    const int retries = c.found ? c.cancelled : c.retries;
    EXPECT_EQ(result.retries, retries) << c.name;
    EXPECT_EQ(itemlookup.lookups.reconnects(), static_cast<std::size_t>(retries)) << c.name;
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
}

// A driver may open a socket of its own inside a statement (its own reconnect, the next host of
// a list, a retry without TLS) and wait on it for ever: the bound cuts that socket too, and cuts
// again at each deadline for as long as the same wait opens new ones. The lookup is then retried
// on a new connection of the host's own, set up as every one is.
TEST_F(CheckOverDouble, CutsEverySocketADriverOpensInsideAStatement) {
  struct SocketsCase {
    const char* name;
    int sockets;  // opened in turn by the lookup's statement, each waited on until cut
  };
  const SocketsCase cases[] = {
      {"a socket opened inside the lookup", 1},
      {"a second socket opened after the first was cut", 2},
  };
  const std::string lookup = summary_lookup("1001");
  const Diagnostic lost{"08S01", 26, "server closed the connection unexpectedly"};
  const std::vector<std::string> words = {"item-summary", "1001"};
  const itemlookup::LookupRequest request = itemlookup::parse_lookup_request(words);
  const InModuleDirectory in_module_directory;
  const itemlookup::LookupWatchdog watchdog(std::chrono::seconds(1));
  for (const SocketsCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "PostgreSQL");
    odbc_double::script_statement("SELECT '\\'", answers("\\"));
    odbc_double::script_statement(lookup,
                                  {.rows = {}, .failure = lost, .silent_sockets = c.sockets});
    odbc_double::script_statement(lookup, kItem1001);
    HostOverDouble itemlookup("DSN=items", 1);
    const auto start = std::chrono::steady_clock::now();
    const itemlookup::LookupResult result = itemlookup.lookups.run(request);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(result.found()) << c.name;
    EXPECT_TRUE(result.errors.empty()) << c.name << ": " << itemlookup::lookup_json(result, 1);
    ASSERT_EQ(result.retried_errors.size(), 1u) << c.name;
    EXPECT_EQ(result.retried_errors[0].sqlstate, "08S01") << c.name;
    EXPECT_EQ(result.retried_errors[0].message,
              "no answer from the database in 1 s, so itemlookup cut the connection: server "
              "closed the connection unexpectedly")
        << c.name;
    // Each socket was cut at its own deadline, none left to the double's own bound.
    EXPECT_GE(took, std::chrono::seconds(c.sockets)) << c.name;
    EXPECT_LT(took, std::chrono::seconds(odbc_double::kLongestSilentRead)) << c.name;
  }
}

// A batch of items 1001 and 1002 whose first lookup loses its server (57P01), so that the new
// connection's setup decides. A session not proven to read a backslash as written is closed
// before the line reports it, and no key is sent on it: the next line finds the handle closed
// (08003) and connects again for itself. A link lost during the setup keeps its SQLSTATE and is
// retried like any lost connection.
TEST_F(CheckOverDouble, SendsNoKeyOnASessionNotProven) {
  const std::string set = "SET standard_conforming_strings = on";
  const std::string proof = "SELECT '\\'";
  const std::string escape_check = "SELECT 'x'";
  const std::string connect = "connect DSN=items";
  const std::string lost = "disconnect";
  const std::string line_1 = summary_lookup("1001");
  const std::string line_2 = summary_lookup("1002");
  const Diagnostic unterminated{"42601", 7, "unterminated quoted string"};
  struct Line {
    std::string error;  // how the line's error begins; empty: the item was found
    std::vector<std::string> retried;
  };
  struct SetupCase {
    const char* name;
    const char* dbms_name;
    std::vector<std::pair<std::string, StatementAnswer>> answers;  // in order, per statement
    Line first;
    Line second;
    std::vector<std::string> trace;
  };
  const SetupCase cases[] = {
      {"the new connection lands on a server whose literals escape",
       "PostgreSQL",
       {{proof, answers("\\")},
        {proof, {.rows = {}, .failure = unterminated}},
        {proof, answers("\\")},
        {escape_check, answers("x")}},
       {"connected again, but the connection to PostgreSQL reads a backslash in a string "
        "literal as an escape, so a key could end its literal early",
        {"57P01"}},
       {"", {"08003"}},
       {connect, set, proof, line_1, lost, connect, set, proof, escape_check, lost, connect, set,
        proof, line_2}},
      {"an engine without a session statement lands on an escaping session",
       "SQLite",
       {{proof, answers("\\")},
        {proof, {.rows = {}, .failure = unterminated}},
        {proof, answers("\\")},
        {escape_check, answers("x")}},
       {"connected again, but the connection to SQLite reads a backslash", {"57P01"}},
       {"", {"08003"}},
       {connect, proof, line_1, lost, connect, proof, escape_check, lost, connect, proof, line_2}},
      {"the link is lost on the session statement",
       "PostgreSQL",
       {{proof, answers("\\")},
        {set, {}},
        {set, {.rows = {}, .failure = Diagnostic{"08S01", 26, "server closed the connection"}}},
        {set, {}}},
       {"", {"57P01", "08S01"}},
       {"", {}},
       {connect, set, proof, line_1, lost, connect, set, lost, connect, set, proof, line_1,
        line_2}},
      {"the pooler drops the link on the proof",
       "PostgreSQL",
       {{proof, answers("\\")},
        {proof, {.rows = {}, .failure = Diagnostic{"08P01", 0, "server conn crashed?"}}},
        {proof, answers("\\")}},
       {"", {"57P01", "08P01"}},
       {"", {}},
       {connect, set, proof, line_1, lost, connect, set, proof, lost, connect, set, proof, line_1,
        line_2}},
  };
  const std::vector<std::string> words_1 = {"item-summary", "1001"};
  const std::vector<std::string> words_2 = {"item-summary", "1002"};
  const itemlookup::LookupRequest request_1 = itemlookup::parse_lookup_request(words_1);
  const itemlookup::LookupRequest request_2 = itemlookup::parse_lookup_request(words_2);
  // Line 1 as a lookup that never ran reports it: its key, every other field blank or zero.
  const std::string unrun_fields = itemlookup::unrun_lookup(request_1, {}).fields;
  const InModuleDirectory in_module_directory;
  for (const SetupCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, c.dbms_name);
    for (const auto& [text, answer] : c.answers) odbc_double::script_statement(text, answer);
    odbc_double::script_statement(
        line_1, {.rows = {}, .failure = Diagnostic{"57P01", 7, "terminating connection"}});
    odbc_double::script_statement(line_1, kItem1001);
    odbc_double::script_statement(line_2, kItem1001);
    HostOverDouble itemlookup("DSN=items", 3);
    for (const auto& [request, line] : {std::pair{&request_1, &c.first}, {&request_2, &c.second}}) {
      const itemlookup::LookupResult result = itemlookup.lookups.run(*request);
      const std::string key(result.field(1));
      EXPECT_EQ(retried_sqlstates(result), line->retried) << c.name << ", item " << key;
      if (line->error.empty()) {
        EXPECT_TRUE(result.errors.empty()) << c.name << ", item " << key;
        EXPECT_TRUE(result.found()) << c.name << ", item " << key;
        continue;
      }
      ASSERT_EQ(result.errors.size(), 1u) << c.name;
      EXPECT_EQ(result.errors[0].sqlstate, "") << c.name;
      EXPECT_TRUE(result.errors[0].message.starts_with(line->error))
          << c.name << ": " << result.errors[0].message;
      // Nothing of the try on the lost connection.
      EXPECT_EQ(result.fields, unrun_fields) << c.name;
      EXPECT_TRUE(result.warnings.empty()) << c.name;
    }
    EXPECT_EQ(connection_trace(), c.trace) << c.name;
  }
}

}  // namespace
