// The demo tables for the tests and the benchmarks, made by itemlookup's own code from the
// project's schema and demo row files: the SQLite file as itemlookup creates it on first use,
// and the statements that load the same tables on a server engine.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "temporary_folder.hpp"

namespace test_support {

// The statements of a file under db/ ("postgres/schema.sql"), one each, as itemlookup splits
// them; throws std::runtime_error when the file cannot be read.
std::vector<std::string> db_file_statements(const std::filesystem::path& file);

// The schema of an engine ("sqlite", "postgres", "mariadb") and then the demo rows.
std::vector<std::string> demo_statements(const std::string& engine);

// A SQLite demo database in a temporary folder of its own, removed with it.
class SqliteDemoFile {
 public:
  // Throws when the database cannot be made (itemlookup's error, e.g. no SQLite ODBC driver).
  SqliteDemoFile();
  const std::filesystem::path& file() const { return file_; }
  // How a host reaches it through the SQLite ODBC driver.
  std::string connection_string() const;

 private:
  TemporaryFolder folder_{"item-lookup-demo-"};
  std::filesystem::path file_;
};

}  // namespace test_support
