#include "demo_database.hpp"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "command_error.hpp"
#include "odbc_connection.hpp"
#include "sql_script.hpp"

namespace itemlookup {

namespace {

namespace fs = std::filesystem;

std::string read_script(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    throw CommandError("cannot read " + file.string() +
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

// A temporary file beside the database, removed again unless it is renamed into place.
class PartialFile {
 public:
  explicit PartialFile(const fs::path& database) {
    std::string pattern =
        (database.parent_path() / ("." + database.filename().string() + ".partial-XXXXXX"))
            .string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
      throw CommandError("cannot create a file in " + database.parent_path().string() +
                         " for the demo database");
    }
    // mkstemp makes the file private; the database is ordinary data, readable as any file the
    // user creates.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    close(descriptor);
    path_ = pattern;
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
      throw CommandError("cannot move the new demo database to " + database.string() + ": " +
                         error.message());
    }
    path_.clear();
  }

 private:
  fs::path path_;
};

}  // namespace

std::string demo_connection_string(const fs::path& database) {
  const std::string path = database.string();
  if (path.find_first_of(";{}") != std::string::npos) {
    throw CommandError("the demo database path " + path +
                       " holds ';', '{' or '}', which a connection string cannot carry");
  }
  return "DRIVER=SQLite3;Database=" + path;
}

void ensure_demo_database(const fs::path& database, const fs::path& script_directory) {
  std::error_code error;
  if (fs::exists(database, error)) return;
  const std::vector<std::string> statements = demo_statements(script_directory);
  fs::create_directories(database.parent_path(), error);
  if (error) {
    throw CommandError("cannot create the directory " + database.parent_path().string() +
                       " for the demo database: " + error.message());
  }
  PartialFile partial(database);
  {
    OdbcConnection connection(demo_connection_string(partial.path()));
    connection.run_in_transaction(statements);
  }
  partial.rename_to(database);
}

}  // namespace itemlookup
