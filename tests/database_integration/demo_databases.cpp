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

class PostgresDemo {
 public:
  PostgresDemo()
      : session_(postgres_connection_string()),
        schema_("item_lookup_demo_" + std::to_string(getpid())) {
    // A schema left behind by an earlier process with the same id is stale.
    drop_schema();
    session_.execute("CREATE SCHEMA " + schema_);
    session_.execute("SET search_path TO " + schema_);
    try {
      load(session_, kDbSourceDir / "postgres" / "schema.sql");
    } catch (...) {
      drop_schema();
      throw;
    }
  }
  ~PostgresDemo() {
    try {
      drop_schema();
    } catch (const std::exception& error) {
      ADD_FAILURE() << "cannot drop the demo schema: " << error.what();
    }
  }
  OdbcSession& session() { return session_; }
  const std::string& schema() const { return schema_; }

 private:
  void drop_schema() { session_.execute("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE"); }

  OdbcSession session_;
  std::string schema_;
};

std::unique_ptr<SqliteDemo> sqlite_demo;
std::unique_ptr<PostgresDemo> postgres_demo;

PostgresDemo& postgres() {
  if (!postgres_demo) postgres_demo = std::make_unique<PostgresDemo>();
  return *postgres_demo;
}

// Drops the databases while the driver manager is still fully alive, not at process exit.
class DemoDatabasesEnvironment : public testing::Environment {
 public:
  void TearDown() override {
    sqlite_demo.reset();
    postgres_demo.reset();
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
  return database == Database::sqlite ? "SQLite" : "PostgreSQL";
}

bool postgres_configured() {
  return *environment_value("ITEM_LOOKUP_PG_CONNECT") != '\0';
}

bool postgres_required() {
  return std::string_view(environment_value("ITEM_LOOKUP_REQUIRE_POSTGRES")) == "1";
}

std::string postgres_connection_string() {
  return environment_value("ITEM_LOOKUP_PG_CONNECT");
}

OdbcSession& demo_database(Database database) {
  if (database == Database::postgres) return postgres().session();
  if (!sqlite_demo) sqlite_demo = std::make_unique<SqliteDemo>();
  return sqlite_demo->session();
}

const std::string& postgres_demo_schema() {
  return postgres().schema();
}

void open_or_skip(Database database) {
  if (database == Database::postgres && !postgres_configured()) {
    if (postgres_required()) {
      FAIL() << "ITEM_LOOKUP_REQUIRE_POSTGRES=1 but ITEM_LOOKUP_PG_CONNECT is not set";
    }
    GTEST_SKIP() << "PostgreSQL not configured: set ITEM_LOOKUP_PG_CONNECT to a psqlODBC "
                    "connection string (db/postgres_server/throwaway.sh start writes one)";
  }
  try {
    demo_database(database);
  } catch (const std::exception& error) {
    FAIL() << "cannot prepare the " << name(database) << " demo database: " << error.what();
  }
}

}  // namespace database_integration
