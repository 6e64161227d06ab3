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
#include <optional>
#include <string>
#include <vector>

#include "check/check_findings.hpp"
#include "check/connection_check.hpp"
#include "connection/database_engine.hpp"
#include "connection/driver_reconnect.hpp"
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
  EXPECT_EQ(connection_trace(),
            (std::vector<std::string>{"connect DSN=anything;AUTO_RECONNECT=0;",
                                      "SET standard_conforming_strings = on", "SELECT '\\'",
                                      "SELECT 'x'", "disconnect"}));
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

// On MariaDB, a Galera node's state, as the node answers it: which node, whether it serves
// lookups as the cluster's own, and what to do otherwise; nothing for a single server.
TEST_F(CheckOverDouble, NamesAGaleraNodesState) {
  const std::string galera_query =
      "SELECT @@wsrep_on, @@wsrep_node_name, (SELECT VARIABLE_VALUE FROM "
      "information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = 'WSREP_READY'), (SELECT "
      "VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = "
      "'WSREP_LOCAL_STATE'), (SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE "
      "VARIABLE_NAME = 'WSREP_LOCAL_STATE_COMMENT'), (SELECT VARIABLE_VALUE FROM "
      "information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = 'WSREP_CLUSTER_STATUS'), (SELECT "
      "VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME = "
      "'WSREP_CLUSTER_SIZE')";
  const std::string fix =
      "send lookups through the cluster's router, which connects only to nodes that are ready "
      "and synced (db/galera_mariadb/haproxy.cfg), or wait until this node has caught up";
  struct GaleraCase {
    const char* name;
    StatementAnswer answer;
    bool named;  // a "server role" finding at all
    bool ok;
    std::string detail;
  };
  const auto node = [](std::vector<odbc_double::Value> row) -> StatementAnswer {
    return {.rows = {std::move(row)}, .failure = {}};
  };
  const GaleraCase cases[] = {
      {"synced", node({"1", "node2", "ON", "4", "Synced", "Primary", "3"}), true, true,
       "Galera node node2: ready and synced (wsrep_ready ON, wsrep_local_state 4 Synced, "
       "wsrep_cluster_status Primary, wsrep_cluster_size 3)"},
      {"donor", node({"1", "node1", "ON", "2", "Donor/Desynced", "Primary", "3"}), true, false,
       "Galera node node1: donor: it may fall behind the cluster while it sends its state "
       "(wsrep_ready ON, wsrep_local_state 2 Donor/Desynced, wsrep_cluster_status Primary, "
       "wsrep_cluster_size 3)"},
      {"joiner", node({"1", "node3", "ON", "3", "Joined", "Primary", "3"}), true, false,
       "Galera node node3: joiner: still catching up with the cluster (wsrep_ready ON, "
       "wsrep_local_state 3 Joined, wsrep_cluster_status Primary, wsrep_cluster_size 3)"},
      {"cut off", node({"1", "node3", "OFF", "0", "Initialized", "non-Primary", "1"}), true, false,
       "Galera node node3: not ready: it refuses queries on tables (error 1047) (wsrep_ready "
       "OFF, wsrep_local_state 0 Initialized, wsrep_cluster_status non-Primary, "
       "wsrep_cluster_size 1)"},
      {"a single server", node({"0", "", odbc_double::sql_null, "0", "", "Disconnected", "0"}),
       false, true, ""},
      {"a server built without Galera",
       {.rows = {}, .failure = Diagnostic{"HY000", 1193, "Unknown system variable 'wsrep_on'"}},
       false,
       true,
       ""},
      {"connection lost",
       {.rows = {}, .failure = Diagnostic{"08S01", 2013, "Lost connection to server"}},
       true,
       false,
       "cannot be read: [08S01] Lost connection to server"},
  };
  for (const GaleraCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "MariaDB");
    odbc_double::script_statement(galera_query, c.answer);
    const itemlookup::OdbcConnection connection("DSN=anything");
    itemlookup::CheckReport report{itemlookup::identify_engine(connection), {}};
    itemlookup::CheckContext context{connection, report, {}};
    itemlookup::check_server_role(context);
    const itemlookup::CheckFinding* seen = finding(report, "server role");
    ASSERT_EQ(seen != nullptr, c.named) << c.name;
    if (!c.named) continue;
    EXPECT_EQ(seen->ok, c.ok) << c.name;
    EXPECT_EQ(seen->detail, c.detail) << c.name;
    EXPECT_EQ(seen->fix, c.ok                             ? ""
                         : c.detail.starts_with("cannot") ? "see the driver's message"
                                                          : fix)
        << c.name;
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

// ODBC ini files of the test's own, read through the driver manager's ini reader as the drivers
// read theirs (ODBCSYSINI, ODBCINI), set before anything reads them; the environment is left as
// it was.
class OwnOdbcIni {
 public:
  OwnOdbcIni(const std::string& odbcinst, const std::string& odbc) {
    std::ofstream(folder_.path() / "odbcinst.ini") << odbcinst;
    std::ofstream(folder_.path() / "odbc.ini") << odbc;
    for (const char* name : {"ODBCSYSINI", "ODBCINSTINI", "ODBCINI"}) {
      const char* value = std::getenv(name);
      before_.emplace_back(name,
                           value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("ODBCSYSINI", folder_.path().c_str(), 1);
    setenv("ODBCINSTINI", "odbcinst.ini", 1);
    setenv("ODBCINI", (folder_.path() / "odbc.ini").c_str(), 1);
  }
  ~OwnOdbcIni() {
    for (const auto& [name, value] : before_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  OwnOdbcIni(const OwnOdbcIni&) = delete;
  OwnOdbcIni& operator=(const OwnOdbcIni&) = delete;

 private:
  const test_support::TemporaryFolder folder_{"odbc-ini-"};
  std::vector<std::pair<std::string, std::optional<std::string>>> before_;
};

// Every connect, the first and each one after a lost connection, ends with AUTO_RECONNECT=0,
// which MariaDB Connector/ODBC reads over any earlier attribute and over the DSN: a separator
// only where there is none, since an empty attribute would have the driver read
// ";AUTO_RECONNECT" as the name.
TEST_F(CheckOverDouble, ConnectsWithTheDriversOwnReconnectOff) {
  const std::pair<std::string, std::string> cases[] = {
      {"DSN=items", "DSN=items;AUTO_RECONNECT=0;"},
      {"DSN=items;", "DSN=items;AUTO_RECONNECT=0;"},
      {"DSN=items; ", "DSN=items; AUTO_RECONNECT=0;"},
      {"DSN=items;AUTO_RECONNECT=1", "DSN=items;AUTO_RECONNECT=1;AUTO_RECONNECT=0;"},
      {"DRIVER={MariaDB Unicode};InitStmt={SET a=1;SET b=2}",
       "DRIVER={MariaDB Unicode};InitStmt={SET a=1;SET b=2};AUTO_RECONNECT=0;"},
      {"", "AUTO_RECONNECT=0;"},
  };
  for (const auto& [given, sent] : cases) {
    odbc_double::reset();
    itemlookup::OdbcConnection connection(given);
    EXPECT_EQ(connection.connection_string(), given);
    EXPECT_EQ(connection.reconnect(), std::nullopt) << given;
    EXPECT_EQ(connection_trace(),
              (std::vector<std::string>{"connect " + sent, "disconnect", "connect " + sent}))
        << given;
  }
}

// MariaDB Connector/ODBC with USE_MYCNF on reads the MariaDB option files, where a reconnect
// option turns its own reconnect on whatever AUTO_RECONNECT says; an attribute left open swallows
// the AUTO_RECONNECT=0 added last. Either connection is refused before any statement, having
// disconnected; other drivers do not read these names.
TEST_F(CheckOverDouble, RefusesAConnectionWhoseDriverMayStillReconnectByItself) {
  const OwnOdbcIni ini("[MariaDB Unicode]\nDriver=libmaodbc.so\nUSE_MYCNF=1\n",
                       "[reconnects]\nAUTO_RECONNECT=1\n"
                       "[option files]\nOPTIONS=65538\n"
                       "[option files off]\nOPTIONS=65536\nUSE_MYCNF=0\n");
  const std::string why =
      ": the driver connects again by itself when the connection is lost and runs the "
      "statement at hand on the new session, which has none of the host's setup (a key there "
      "may read a backslash as an escape), and it has been seen to wait there for ever or crash "
      "the host; itemlookup does not use such a connection.\n  To fix: ";
  const std::string option_files =
      " has MariaDB Connector/ODBC read the MariaDB option files (my.cnf), where a reconnect "
      "option turns its own reconnect on whatever AUTO_RECONNECT says" +
      why;
  const std::string swallowed =
      " turns MariaDB Connector/ODBC's own reconnect on, and the AUTO_RECONNECT=0 that "
      "itemlookup adds at the end of the connection string does not reach the driver (a brace "
      "left open, or words without '=', take it in)" +
      why + "close every brace of the connection string and end it with a whole NAME=value";
  const std::string option_files_fix = ", with what the option files gave set in the DSN itself";
  struct RefusalCase {
    const char* driver;  // SQL_DRIVER_NAME
    std::string connection_string;
    std::string refusal;  // empty: connected
  };
  const RefusalCase cases[] = {
      {"libmaodbc.so", "DSN=reconnects", ""},
      {"libmaodbc.so", "DRIVER=MariaDB Unicode;Server=h;OPTION=4194304", ""},
      // The driver's section of odbcinst.ini is not read.
      {"libmaodbc.so", "DRIVER=MariaDB Unicode;Server=h", ""},
      {"libmaodbc.so", "DRIVER=MariaDB Unicode;Server=h;use_mycnf=1",
       "use_mycnf=1 in the connection string" + option_files +
           "USE_MYCNF=0 at the end of the connection string" + option_files_fix},
      {"libmaodbc.so", "DSN=option files",
       "OPTIONS=65538 in the DSN's section [option files] of odbc.ini" + option_files +
           "USE_MYCNF=0 in [option files] of odbc.ini" + option_files_fix},
      {"libmaodbc.so", "DSN=option files;OPTIONS=2", ""},
      {"libmaodbc.so", "DSN=option files off", ""},
      // The driver reads no DSN when the connection string names a driver.
      {"libmaodbc.so", "DSN=option files;DRIVER=MariaDB Unicode", ""},
      {"libmaodbc.so", "DRIVER=MariaDB Unicode;AUTO_RECONNECT=1;InitStmt={SET @a=1",
       "AUTO_RECONNECT=1 in the connection string" + swallowed},
      {"libmaodbc.so", "DSN=reconnects;NoBraces",
       "AUTO_RECONNECT=1 in the DSN's section [reconnects] of odbc.ini" + swallowed},
      {"psqlodbcw.so", "DRIVER=PostgreSQL Unicode;USE_MYCNF=1;AUTO_RECONNECT=1;X={", ""},
  };
  for (const RefusalCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "MariaDB");
    odbc_double::script_info(SQL_DRIVER_NAME, c.driver);
    odbc_double::script_statement("SELECT '\\'", answers("\\"));
    std::string refusal;
    try {
      const itemlookup::OdbcConnection connection(c.connection_string,
                                                  itemlookup::set_up_standard_literals);
    } catch (const itemlookup::CannotRun& error) {
      refusal = error.what();
    }
    EXPECT_EQ(refusal, c.refusal) << c.connection_string;
    if (c.refusal.empty()) continue;
    // No statement reached the session: it was closed as soon as the driver was known.
    EXPECT_EQ(
        connection_trace(),
        (std::vector<std::string>{
            "connect " + itemlookup::with_driver_reconnect_off(c.connection_string), "disconnect"}))
        << c.connection_string;
  }
}

// Finding "auto reconnect": the driver's own reconnect, as MariaDB Connector/ODBC reads it: in
// the connection string the last of AUTO_RECONNECT, OPTIONS and OPTION, over the DSN as well; in
// the DSN, AUTO_RECONNECT over the OPTIONS bit; no DSN when the string names a driver. Its section
// of odbcinst.ini, which it does not read, is named last, for asking for it. A value is a number,
// as the driver reads it.
TEST_F(CheckOverDouble, NamesTheDriversOwnReconnectAndWhereItIsSet) {
  const OwnOdbcIni ini(
      "[MariaDB Unicode]\nDriver=libmaodbc.so\nAUTO_RECONNECT=1\n"
      "[MariaDB bits]\nDriver=libmaodbc.so\nOPTIONS=3\nOPTION=4194304\n"
      "[MariaDB]\nDriver=libmaodbc.so\nAUTO_RECONNECT=0\nOPTIONS=3\n",
      "[reconnects]\nAUTO_RECONNECT = 1\n"
      "[through]\nDriver=MariaDB Unicode\nServer=h\n"
      "[by path]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so\n"
      "[bits]\nOPTIONS=4194306\n"
      "[option]\nOPTION=4194304\n"
      "[both]\nOPTIONS=4194304\nAUTO_RECONNECT=0\n"
      "[plain]\nOPTIONS=3\n");
  const std::string why =
      ": the driver connects again by itself when the connection is lost and runs the "
      "statement at hand on the new session, which has none of the host's setup (a key there "
      "may read a backslash as an escape), and it has been seen to wait there for ever or crash "
      "the host; itemlookup turns it off for its own connections, other hosts connecting so do "
      "not";
  const std::string host_fix =
      "; a host connects again itself, and sets the new session up, as itemlookup and the C "
      "example do (docs/host-interface.md)";
  const std::string maodbc_off =
      "off: neither AUTO_RECONNECT nor the OPTIONS bit 4194304 is on for libmaodbc.so";
  struct ReconnectCase {
    const char* driver;  // SQL_DRIVER_NAME
    std::string connection_string;
    std::string detail;
    std::string fix;  // empty: ok
  };
  const std::string in_string = "AUTO_RECONNECT=0 at the end of the connection string" + host_fix;
  const auto in_section = [&](const std::string& setting, const std::string& section) {
    return setting + " in the driver's section [" + section +
           "] of odbcinst.ini (not read there by MariaDB Connector/ODBC 3.1, but asking for it)" +
           why;
  };
  const auto section_fix = [&](const std::string& section) {
    return "remove it from [" + section + "] of odbcinst.ini (odbcinst -j names the file)" +
           host_fix;
  };
  const ReconnectCase cases[] = {
      {"sqlite3odbc.so", "DRIVER=SQLite3;Database=x;AUTO_RECONNECT=1",
       "none: sqlite3odbc.so opens a file, with no connection to lose", ""},
      {"psqlodbcw.so", "DSN=reconnects",
       "none: psqlodbcw.so reports a lost connection and never connects again by itself", ""},
      {"libfoo.so", "DSN=reconnects",
       "no setting of libfoo.so known to itemlookup; its own connections end with "
       "AUTO_RECONNECT=0",
       ""},
      {"libmaodbc.so", "DRIVER=MariaDB;Server=h", maodbc_off, ""},
      {"libmaodbc.so", "DRIVER=MariaDB Unicode;Server=h",
       in_section("AUTO_RECONNECT=1", "MariaDB Unicode"), section_fix("MariaDB Unicode")},
      {"libmaodbc.so", "DRIVER={MariaDB bits};Server=h",
       in_section("OPTION=4194304", "MariaDB bits"), section_fix("MariaDB bits")},
      {"libmaodbc.so", "DSN=through", in_section("AUTO_RECONNECT=1", "MariaDB Unicode"),
       section_fix("MariaDB Unicode")},
      {"libmaodbc.so", "DSN=by path", maodbc_off, ""},
      {"libmaodbc.so", "DRIVER=MariaDB;Server=h;auto_reconnect = 1",
       "auto_reconnect=1 in the connection string" + why, in_string},
      {"libmaodbc.so", "DRIVER=MariaDB;OPTION=4194304;AUTO_RECONNECT=0", maodbc_off, ""},
      {"libmaodbc.so", "DRIVER=MariaDB;AUTO_RECONNECT=0;OPTION={4194305}",
       "OPTION=4194305 in the connection string" + why, in_string},
      {"libmaodbc.so", "DRIVER=MariaDB;AUTO_RECONNECT=yes", maodbc_off, ""},
      {"libmaodbc.so", "DSN=reconnects",
       "AUTO_RECONNECT=1 in the DSN's section [reconnects] of odbc.ini" + why,
       "AUTO_RECONNECT=0 in [reconnects] of odbc.ini" + host_fix},
      {"libmaodbc.so", "DSN=reconnects;OPTIONS=1", maodbc_off, ""},
      {"libmaodbc.so", "DSN=reconnects;DRIVER=MariaDB", maodbc_off, ""},
      {"libmaodbc.so", "DSN=bits", "OPTIONS=4194306 in the DSN's section [bits] of odbc.ini" + why,
       "AUTO_RECONNECT=0 in [bits] of odbc.ini" + host_fix},
      {"libmaodbc.so", "DSN=option",
       "OPTION=4194304 in the DSN's section [option] of odbc.ini" + why,
       "AUTO_RECONNECT=0 in [option] of odbc.ini" + host_fix},
      {"libmaodbc.so", "DSN=both", maodbc_off, ""},
      {"libmaodbc.so", "DSN=plain", maodbc_off, ""},
  };
  for (const ReconnectCase& c : cases) {
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, "MariaDB");
    odbc_double::script_info(SQL_DRIVER_NAME, c.driver);
    const itemlookup::OdbcConnection connection(c.connection_string);
    itemlookup::CheckReport report{itemlookup::identify_engine(connection), {}};
    itemlookup::CheckContext context{connection, report, {}};
    itemlookup::check_driver_reconnect(context);
    ASSERT_EQ(report.findings.size(), 1u) << c.connection_string;
    const itemlookup::CheckFinding& seen = report.findings[0];
    EXPECT_EQ(seen.topic, "auto reconnect");
    EXPECT_EQ(seen.ok, c.fix.empty()) << c.connection_string;
    EXPECT_EQ(seen.detail, c.detail) << c.connection_string;
    EXPECT_EQ(seen.fix, c.fix) << c.connection_string;
  }
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

// A server that refuses the lookup's own statement for now, while another would serve it: a hot
// standby that cancelled the read to replay changes (40001), a Galera node cut off from its
// cluster (error 1047, which MariaDB Connector/ODBC gives as 08S01); or a connection that broke
// with an error naming no connection class, the driver then saying the connection is lost (a
// router restarted: MariaDB Connector/ODBC's HY000, write error 5014). Through the real modules
// and host modules, itemlookup disconnects, connects again with the original string, proves the
// session again and runs the same lookup again, as often as --retries allows. Any other error on
// a live connection is the lookup's answer at once.
TEST_F(CheckOverDouble, RetriesALookupAServerRefusedForNow) {
  struct Server {
    const char* dbms_name;
    std::string connection_string;
    std::string session_statement;
    Diagnostic refusal;
    // What the driver answers for SQL_ATTR_CONNECTION_DEAD after it; none: no answer.
    std::optional<SQLULEN> connection_dead = std::nullopt;
  };
  const Server standby = {"PostgreSQL",
                          "DSN=standby;Pqopt={target_session_attrs=read-only}",
                          "SET standard_conforming_strings = on",
                          {"40001", 1, "ERROR: canceling statement due to conflict with recovery"}};
  const Server galera_node = {"MariaDB",
                              "DSN=galera",
                              "SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES')",
                              {"08S01", 1047,
                               "[ma-3.1.15][10.11.19-MariaDB-0+deb12u1]WSREP has not yet prepared "
                               "node for application use"}};
  const std::string maodbc = "[ma-3.1.15][10.11.19-MariaDB-0+deb12u1]";
  const auto galera_router = [&](Diagnostic failure, std::optional<SQLULEN> dead) {
    return Server{galera_node.dbms_name, galera_node.connection_string,
                  galera_node.session_statement, std::move(failure), dead};
  };
  const Server router_restarted =
      galera_router({"HY000", 5014, maodbc + "Write error: Broken pipe (32)"}, SQL_CD_TRUE);
  const Diagnostic unknown_column = {"42S22", 1054, maodbc + "Unknown column 'ADFIT_X'"};
  const Server column_missing = galera_router(unknown_column, SQL_CD_FALSE);
  const Server column_missing_unanswered = galera_router(unknown_column, std::nullopt);
  struct RefusalCase {
    const char* name;
    const Server& server;
    int retries;   // --retries
    int refused;   // tries refused, from the first; the demo row answers later ones
    bool retried;  // else the refusal is the lookup's answer at once
    bool found;    // else the lookup ends with the server's refusal
  };
  const RefusalCase cases[] = {
      {"standby cancelled once, then found", standby, 3, 1, true, true},
      {"standby cancelled on every try", standby, 2, 3, true, false},
      {"Galera node not ready twice, then found", galera_node, 3, 2, true, true},
      {"Galera node not ready on every try", galera_node, 3, 4, true, false},
      {"router restarted under a statement, then found", router_restarted, 3, 1, true, true},
      {"an error on a live connection", column_missing, 3, 1, false, false},
      {"an error, and no word on the connection", column_missing_unanswered, 3, 1, false, false},
  };
  const std::string lookup = summary_lookup("1001");
  // Item 1001 of the demo rows, every field of VELDORIN's parameter list in order.
  const std::string found_fields = "2" + padded("1001", 16) + padded("", 10) +
                                   padded("EXT-1001", 16) + padded("7891000100017", 16) +
                                   padded("PARACETAMOL 500MG 20 COMPRIMIDOS", 55) + "S " +
                                   "1001000100011" + "000000001234" + "000000001050" +
                                   "00000000000" + "00000000000" + "00000" + padded("", 15);
  const std::vector<std::string> words = {"item-summary", "1001"};
  const itemlookup::LookupRequest request = itemlookup::parse_lookup_request(words);
  const InModuleDirectory in_module_directory;
  for (const RefusalCase& c : cases) {
    const Diagnostic& refusal = c.server.refusal;
    odbc_double::reset();
    odbc_double::script_info(SQL_DBMS_NAME, c.server.dbms_name);
    if (c.server.connection_dead) {
      odbc_double::script_connection_attribute(SQL_ATTR_CONNECTION_DEAD, *c.server.connection_dead);
    }
    odbc_double::script_statement("SELECT '\\'", answers("\\"));
    for (int i = 0; i < c.refused; ++i) {
      odbc_double::script_statement(lookup, {.rows = {}, .failure = refusal});
    }
    odbc_double::script_statement(lookup, kItem1001);
    HostOverDouble itemlookup(c.server.connection_string, c.retries);
    const itemlookup::LookupResult result = itemlookup.lookups.run(request);

    const int retries = !c.retried ? 0 : c.found ? c.refused : c.retries;
    EXPECT_EQ(result.retries, retries) << c.name;
    EXPECT_EQ(itemlookup.lookups.reconnects(), static_cast<std::size_t>(retries)) << c.name;
    EXPECT_EQ(result.retried_errors.size(), static_cast<std::size_t>(retries)) << c.name;
    for (const itemlookup::LookupError& retried : result.retried_errors) {
      EXPECT_EQ(retried.sqlstate, refusal.sqlstate) << c.name;
      EXPECT_EQ(retried.native_error, refusal.native_error) << c.name;
      EXPECT_EQ(retried.message, refusal.message) << c.name;
    }
    if (c.found) {
      EXPECT_TRUE(result.errors.empty()) << c.name;
      EXPECT_EQ(result.fields, found_fields) << c.name;
    } else {
      // Never "not found": the host reports the error and exits 2.
      EXPECT_EQ(result.errors.empty() ? "" : result.errors.front().sqlstate, refusal.sqlstate)
          << c.name;
      EXPECT_EQ(result.errors.empty() ? 0 : result.errors.front().native_error,
                refusal.native_error)
          << c.name;
      EXPECT_FALSE(result.found()) << c.name;
    }
    // Each try: the session set up and proven, then the lookup.
    const std::vector<std::string> a_try = {c.server.session_statement, "SELECT '\\'", lookup};
    const std::string connect = "connect " + c.server.connection_string + ";AUTO_RECONNECT=0;";
    std::vector<std::string> expected = {connect};
    expected.insert(expected.end(), a_try.begin(), a_try.end());
    for (int retry = 0; retry < retries; ++retry) {
      expected.insert(expected.end(), {"disconnect", connect});
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
  const std::string connect = "connect DSN=items;AUTO_RECONNECT=0;";
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
