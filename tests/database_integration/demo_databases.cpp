#include "demo_databases.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "demo_tables.hpp"

namespace database_integration {

namespace {

namespace fs = std::filesystem;

// A variant of the demo tables: a namespace of its own, and the schema with one word changed.
struct SchemaVariant {
  std::string suffix;
  std::string replace;
  std::string with;
};

void load(OdbcSession& session, const std::string& engine, const SchemaVariant& variant = {}) {
  std::vector<std::string> statements =
      test_support::db_file_statements(fs::path(engine) / "schema.sql");
  for (std::string& statement : statements) {
    if (variant.replace.empty()) break;
    for (std::size_t at = statement.find(variant.replace); at != std::string::npos;
         at = statement.find(variant.replace, at + variant.with.size())) {
      statement.replace(at, variant.replace.size(), variant.with);
    }
  }
  for (std::string& row : test_support::db_file_statements("demo_rows.sql")) {
    statements.push_back(std::move(row));
  }
  for (const std::string& statement : statements) session.execute(statement);
}

// The SQLite demo database as itemlookup makes it, and a session on it.
class SqliteDemo {
 public:
  SqliteDemo() : session_(file_.connection_string()) {}
  OdbcSession& session() { return session_; }
  std::string connection_string() const { return file_.connection_string(); }

 private:
  test_support::SqliteDemoFile file_;  // outlives the session: declared first
  OdbcSession session_;
};

// The connection string without the attribute `name`, matched without regard to case.
std::string without_attribute(const std::string& connection_string, std::string_view name) {
  std::string kept;
  std::size_t start = 0;
  while (start < connection_string.size()) {
    std::size_t end = connection_string.find(';', start);
    if (end == std::string::npos) end = connection_string.size();
    const std::string attribute = connection_string.substr(start, end - start);
    const std::string key = attribute.substr(0, attribute.find('='));
    const bool same = key.size() == name.size() &&
                      std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
                        return std::toupper(static_cast<unsigned char>(a)) ==
                               std::toupper(static_cast<unsigned char>(b));
                      });
    if (!same && !attribute.empty()) kept += attribute + ";";
    start = end + 1;
  }
  return kept;
}

// How a server engine gives each test process tables of its own.
struct ServerEngine {
  const char* connect_variable;
  const char* require_variable;
  const char* start_script;
  const char* engine;  // its folder under db/
  const char* drop;    // each statement followed by the namespace's name
  const char* create;  // likewise
  const char* enter;   // likewise
};

const ServerEngine& server_engine(Database database) {
  static const ServerEngine postgres = {"ITEM_LOOKUP_PG_CONNECT",
                                        "ITEM_LOOKUP_REQUIRE_POSTGRES",
                                        "db/postgres_server/throwaway.sh",
                                        "postgres",
                                        "DROP SCHEMA IF EXISTS %s CASCADE",
                                        "CREATE SCHEMA %s",
                                        "SET search_path TO %s"};
  static const ServerEngine mariadb = {"ITEM_LOOKUP_MARIADB_CONNECT",
                                       "ITEM_LOOKUP_REQUIRE_MARIADB",
                                       "db/mariadb_server/throwaway.sh",
                                       "mariadb",
                                       "DROP DATABASE IF EXISTS %s",
                                       "CREATE DATABASE %s CHARACTER SET utf8mb4",
                                       "USE %s"};
  return database == Database::postgres ? postgres : mariadb;
}

std::string statement(const char* pattern, const std::string& name) {
  std::string text = pattern;
  text.replace(text.find("%s"), 2, name);
  return text;
}

class ServerDemo {
 public:
  explicit ServerDemo(Database database, const SchemaVariant& variant = {})
      : engine_(server_engine(database)),
        session_(server_connection_string(database)),
        namespace_("item_lookup_demo_" + std::to_string(getpid()) + variant.suffix) {
    // One left behind by an earlier process with the same id is stale.
    drop();
    session_.execute(statement(engine_.create, namespace_));
    session_.execute(statement(engine_.enter, namespace_));
    try {
      load(session_, engine_.engine, variant);
    } catch (...) {
      drop();
      throw;
    }
  }
  ~ServerDemo() {
    try {
      drop();
    } catch (const std::exception& error) {
      ADD_FAILURE() << "cannot drop the demo tables: " << error.what();
    }
  }
  OdbcSession& session() { return session_; }
  const std::string& name() const { return namespace_; }

 private:
  void drop() { session_.execute(statement(engine_.drop, namespace_)); }

  const ServerEngine& engine_;
  OdbcSession session_;
  std::string namespace_;
};

std::unique_ptr<SqliteDemo> sqlite_demo;
std::unique_ptr<ServerDemo> server_demos[std::size(kServerDatabases)];
std::unique_ptr<ServerDemo> case_insensitive_demo;
std::unique_ptr<ServerDemo> trailing_space_demos[std::size(kServerDatabases)];

ServerDemo& server_demo(Database database) {
  std::unique_ptr<ServerDemo>& demo = server_demos[database == Database::postgres ? 0 : 1];
  if (!demo) demo = std::make_unique<ServerDemo>(database);
  return *demo;
}

// Drops the databases while the driver manager is still fully alive, not at process exit.
class DemoDatabasesEnvironment : public testing::Environment {
 public:
  void TearDown() override {
    sqlite_demo.reset();
    for (std::unique_ptr<ServerDemo>& demo : server_demos) demo.reset();
    case_insensitive_demo.reset();
    for (std::unique_ptr<ServerDemo>& demo : trailing_space_demos) demo.reset();
  }
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new DemoDatabasesEnvironment);

const char* environment_value(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

const char* name(Database database) {
  switch (database) {
    case Database::sqlite:
      return "SQLite";
    case Database::postgres:
      return "PostgreSQL";
    case Database::mariadb:
      return "MariaDB";
  }
  return "UnknownDatabase";
}

std::string server_connection_string(Database database) {
  return environment_value(server_engine(database).connect_variable);
}

std::string postgres_connection_string() {
  return server_connection_string(Database::postgres);
}

OdbcSession& demo_database(Database database) {
  if (database != Database::sqlite) return server_demo(database).session();
  if (!sqlite_demo) sqlite_demo = std::make_unique<SqliteDemo>();
  return sqlite_demo->session();
}

std::string demo_connection_string(Database database, Literals literals) {
  const bool escaping = literals == Literals::escaping;
  switch (database) {
    case Database::sqlite:
      demo_database(database);
      return sqlite_demo->connection_string();
    case Database::postgres:
      return without_attribute(server_connection_string(database), "ConnSettings") +
             "ConnSettings={SET search_path TO " + server_demo(database).name() +
             (escaping ? ";SET standard_conforming_strings TO off" : "") + "};";
    case Database::mariadb: {
      std::string connection_string =
          without_attribute(server_connection_string(database), "Database") +
          "Database=" + server_demo(database).name() + ";";
      return escaping ? without_attribute(connection_string, "InitStmt") : connection_string;
    }
  }
  return {};
}

std::string case_insensitive_mariadb_demo() {
  if (!case_insensitive_demo) {
    case_insensitive_demo = std::make_unique<ServerDemo>(
        Database::mariadb, SchemaVariant{"_ci", "utf8mb4_bin", "utf8mb4_general_ci"});
  }
  return without_attribute(server_connection_string(Database::mariadb), "Database") +
         "Database=" + case_insensitive_demo->name() + ";";
}

std::string trailing_space_keeping_demo(Database database) {
  const bool postgres = database == Database::postgres;
  std::unique_ptr<ServerDemo>& demo = trailing_space_demos[postgres ? 0 : 1];
  if (!demo) {
    demo = std::make_unique<ServerDemo>(
        database, postgres ? SchemaVariant{"_varchar", "CHAR(", "VARCHAR("}
                           : SchemaVariant{"_nopad", "utf8mb4_bin", "utf8mb4_nopad_bin"});
  }
  if (postgres) {
    return without_attribute(server_connection_string(database), "ConnSettings") +
           "ConnSettings={SET search_path TO " + demo->name() + "};";
  }
  return without_attribute(server_connection_string(database), "Database") +
         "Database=" + demo->name() + ";";
}

const std::string& postgres_demo_schema() {
  return server_demo(Database::postgres).name();
}

void open_or_skip(Database database) {
  if (database != Database::sqlite && server_connection_string(database).empty()) {
    const ServerEngine& engine = server_engine(database);
    if (std::string_view(environment_value(engine.require_variable)) == "1") {
      FAIL() << engine.require_variable << "=1 but " << engine.connect_variable << " is not set";
    }
    GTEST_SKIP() << name(database) << " not configured: set " << engine.connect_variable
                 << " to an ODBC connection string (" << engine.start_script
                 << " start writes one)";
  }
  try {
    demo_database(database);
  } catch (const std::exception& error) {
    FAIL() << "cannot prepare the " << name(database) << " demo database: " << error.what();
  }
}

}  // namespace database_integration
