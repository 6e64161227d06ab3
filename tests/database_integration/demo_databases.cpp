#include "demo_databases.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "sql_script.hpp"

namespace database_integration {

namespace {

namespace fs = std::filesystem;

const fs::path kDbSourceDir = ITEM_LOOKUP_DB_SOURCE_DIR;

void load(OdbcSession& session, const fs::path& schema) {
  for (const fs::path& file : {schema, kDbSourceDir / "demo_rows.sql"}) {
    for (const std::string& statement : read_sql_script(file)) session.execute(statement);
  }
}

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "item-lookup-integration-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class SqliteDemo {
 public:
  SqliteDemo()
      : session_("DRIVER=SQLite3;Database=" + (folder_.path() / "demo.db").string() + ";") {
    load(session_, kDbSourceDir / "sqlite" / "schema.sql");
  }
  OdbcSession& session() { return session_; }

 private:
  TemporaryFolder folder_;  // outlives the session: declared first
  OdbcSession session_;
};

// How a server engine gives each test process tables of its own.
struct ServerEngine {
  const char* connect_variable;
  const char* require_variable;
  const char* start_script;
  const char* schema_file;
  const char* drop;    // each statement followed by the namespace's name
  const char* create;  // likewise
  const char* enter;   // likewise
};

const ServerEngine& server_engine(Database database) {
  static const ServerEngine postgres = {"ITEM_LOOKUP_PG_CONNECT",
                                        "ITEM_LOOKUP_REQUIRE_POSTGRES",
                                        "db/postgres_server/throwaway.sh",
                                        "postgres/schema.sql",
                                        "DROP SCHEMA IF EXISTS %s CASCADE",
                                        "CREATE SCHEMA %s",
                                        "SET search_path TO %s"};
  static const ServerEngine mariadb = {"ITEM_LOOKUP_MARIADB_CONNECT",
                                       "ITEM_LOOKUP_REQUIRE_MARIADB",
                                       "db/mariadb_server/throwaway.sh",
                                       "mariadb/schema.sql",
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
  explicit ServerDemo(Database database)
      : engine_(server_engine(database)),
        session_(server_connection_string(database)),
        namespace_("item_lookup_demo_" + std::to_string(getpid())) {
    // One left behind by an earlier process with the same id is stale.
    drop();
    session_.execute(statement(engine_.create, namespace_));
    session_.execute(statement(engine_.enter, namespace_));
    try {
      load(session_, kDbSourceDir / engine_.schema_file);
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
