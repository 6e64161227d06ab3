#include "outage_server.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "connection/odbc_connection.hpp"
#include "demo_tables.hpp"

namespace database_outage {

namespace {

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// ITEM_LOOKUP_PG_CONNECT from the env file the server script writes.
std::string connection_string_in(const std::filesystem::path& env_file) {
  const std::string env = read_file(env_file);
  const std::string name = "ITEM_LOOKUP_PG_CONNECT=\"";
  const std::size_t start = env.find(name);
  const std::size_t end = start == std::string::npos ? start : env.find('"', start + name.size());
  if (end == std::string::npos) {
    throw std::runtime_error("no connection string in " + env_file.string());
  }
  return env.substr(start + name.size(), end - start - name.size());
}

void load_demo_tables(const std::string& connection_string) {
  itemlookup::OdbcConnection connection(connection_string);
  connection.run_in_transaction(test_support::demo_statements("postgres"));
}

}  // namespace

bool OutageServer::wanted() {
  const char* connect = std::getenv("ITEM_LOOKUP_PG_CONNECT");
  return (connect != nullptr && *connect != '\0') || required();
}

bool OutageServer::required() {
  const char* require = std::getenv("ITEM_LOOKUP_REQUIRE_POSTGRES");
  return require != nullptr && std::string(require) == "1";
}

OutageServer::OutageServer()
    : folder_(std::filesystem::temp_directory_path() /
              ("item-lookup-outage-" + std::to_string(getpid()))) {
  setenv("ITEM_LOOKUP_PG_DIR", folder_.c_str(), 1);
  // Should this process die before its destructor runs, the server goes with it.
  setenv("ITEM_LOOKUP_SERVER_OWNER_PID", std::to_string(getpid()).c_str(), 1);
  run("start");
  try {
    connection_string_ = connection_string_in(folder_ / "env");
    load_demo_tables(connection_string_);
  } catch (...) {
    stop();
    throw;
  }
}

OutageServer::~OutageServer() {
  stop();
}

void OutageServer::stop() const {
  if (std::system((std::string(OUTAGE_SERVER_SCRIPT) + " stop >/dev/null 2>&1").c_str()) != 0) {
    std::fprintf(stderr, "outage_server.sh stop failed; %s may be left behind\n", folder_.c_str());
  }
}

void OutageServer::run(const std::string& command) const {
  const std::string line = std::string(OUTAGE_SERVER_SCRIPT) + " " + command + " >/dev/null";
  if (std::system(line.c_str()) != 0) {
    throw std::runtime_error("outage_server.sh " + command + " failed (see " +
                             (folder_ / "server.log").string() + ")");
  }
}

}  // namespace database_outage
