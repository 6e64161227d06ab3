#include "demo_tables.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "connection/demo_database.hpp"
#include "connection/sql_script.hpp"

namespace test_support {

namespace {

const std::filesystem::path kDbSourceDir = ITEM_LOOKUP_DB_SOURCE_DIR;

}  // namespace

std::vector<std::string> db_file_statements(const std::filesystem::path& file) {
  std::ifstream in(kDbSourceDir / file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + (kDbSourceDir / file).string());
  std::ostringstream text;
  text << in.rdbuf();
  return itemlookup::split_sql_statements(text.str());
}

std::vector<std::string> demo_statements(const std::string& engine) {
  std::vector<std::string> statements =
      db_file_statements(std::filesystem::path(engine) / "schema.sql");
  for (std::string& row : db_file_statements("demo_rows.sql")) statements.push_back(std::move(row));
  return statements;
}

SqliteDemoFile::SqliteDemoFile() : file_(folder_ / "demo.db") {
  itemlookup::ensure_demo_database(file_, kDbSourceDir, false);
}

std::string SqliteDemoFile::connection_string() const {
  return itemlookup::demo_connection_string(file_);
}

}  // namespace test_support
