#include "connection/demo_database.hpp"

#include <fstream>
#include <sstream>

#include "connection/odbc_connection.hpp"
#include "connection/sql_script.hpp"
#include "errors_and_text/cannot_run.hpp"
#include "platform/new_file.hpp"

namespace itemlookup {

namespace {

namespace fs = std::filesystem;

std::string read_script(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    throw CannotRun("cannot read " + file.string() +
                    " to create the demo database (is the installation complete?)");
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> demo_statements(const fs::path& script_directory) {
  std::vector<std::string> statements =
      split_sql_statements(read_script(script_directory / "sqlite" / "schema.sql"));
  for (std::string& row : split_sql_statements(read_script(script_directory / "demo_rows.sql"))) {
    statements.push_back(std::move(row));
  }
  return statements;
}

// ".demo.db.partial-": hidden, and named for the database it becomes.
std::string partial_name(const fs::path& database) {
  std::string name = ".";
  name += database.filename().string();
  name += ".partial-";
  return name;
}

// A temporary file beside the database, removed again unless it is renamed into place.
class PartialFile {
 public:
  explicit PartialFile(const fs::path& database) {
    std::string failure;
    path_ = platform::create_new_file(database.parent_path() / partial_name(database), failure);
    if (path_.empty()) {
      throw CannotRun("cannot create the demo database " + database.string() + ": " + failure);
    }
  }
  ~PartialFile() {
    if (path_.empty()) return;
    std::error_code ignored;
    fs::remove(path_, ignored);
    fs::remove(path_.string() + "-journal", ignored);
  }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  const fs::path& path() const { return path_; }
  void rename_to(const fs::path& database) {
    std::error_code error;
    fs::rename(path_, database, error);
    if (error) {
      throw CannotRun("cannot move the new demo database to " + database.string() + ": " +
                      error.message());
    }
    path_.clear();
  }

 private:
  fs::path path_;
};

// The demo database is reached through the SQLite ODBC driver; without it, say which package
// brings it rather than which temporary file could not be opened.
OdbcConnection connect_to_demo(const fs::path& file) {
  try {
    return OdbcConnection(demo_connection_string(file));
  } catch (const CannotRun& error) {
    const std::string message = error.what();
    if (message.find("Can't open lib") != std::string::npos ||
        message.find("[IM002]") != std::string::npos) {
      throw CannotRun(
          "the demo database needs the SQLite ODBC driver (driver \"SQLite3\"), which is not "
          "installed: install the Debian package libsqliteodbc (sudo apt-get install "
          "libsqliteodbc), or give a database with --connect or --dsn");
    }
    throw;
  }
}

// An existing file is used only when it holds both tables.
void check_demo_tables(const fs::path& database) {
  const OdbcConnection connection = connect_to_demo(database);
  for (const char* table : {"VNDADFIT", "VNDAITCL"}) {
    try {
      connection.query_rows(std::string("SELECT 1 FROM ") + table + " WHERE 1 = 0", 1);
    } catch (const CannotRun& error) {
      throw CannotRun(database.string() + " is not an item lookup demo database (" + table +
                      " cannot be read): name another file with --demo-db, or remove it to "
                      "have it created again\n  " +
                      error.what());
    }
  }
}

}  // namespace

std::string demo_connection_string(const fs::path& database) {
  const std::string path = database.string();
  if (path.find_first_of(";{}") != std::string::npos) {
    throw CannotRun("the demo database path " + path +
                    " holds ';', '{' or '}', which a connection string cannot carry");
  }
  return "DRIVER=SQLite3;Database=" + path;
}

void ensure_demo_database(const fs::path& database, const fs::path& script_directory,
                          bool create_folders) {
  std::error_code error;
  const fs::file_status status = fs::status(database, error);
  if (fs::is_directory(status)) {
    throw CannotRun("the demo database " + database.string() + " is a folder");
  }
  if (fs::exists(status)) {
    check_demo_tables(database);
    return;
  }
  const std::vector<std::string> statements = demo_statements(script_directory);
  const fs::path folder = database.parent_path();
  if (create_folders) {
    fs::create_directories(folder, error);
    if (error) {
      throw CannotRun("cannot create the folder " + folder.string() +
                      " for the demo database: " + error.message());
    }
  } else if (!fs::is_directory(folder, error)) {
    throw CannotRun("cannot create the demo database " + database.string() + ": the folder " +
                    folder.string() + " does not exist");
  }
  PartialFile partial(database);
  {
    OdbcConnection connection = connect_to_demo(partial.path());
    connection.run_in_transaction(statements);
  }
  partial.rename_to(database);
}

}  // namespace itemlookup
