// The outage test's own PostgreSQL server, driven through outage_server.sh: started with the demo
// schema and rows, taken down and brought back on demand, removed at the end.
#pragma once

#include <filesystem>
#include <string>

namespace database_outage {

class OutageServer {
 public:
  // Starts the server and loads the demo tables; throws std::runtime_error when it cannot.
  OutageServer();
  ~OutageServer();
  OutageServer(const OutageServer&) = delete;
  OutageServer& operator=(const OutageServer&) = delete;

  const std::string& connection_string() const { return connection_string_; }
  void down() { run("down"); }
  void up() { run("up"); }

  // PostgreSQL is there to test against: ITEM_LOOKUP_PG_CONNECT names a server, or
  // ITEM_LOOKUP_REQUIRE_POSTGRES=1 insists.
  static bool wanted();
  static bool required();

 private:
  void run(const std::string& command) const;
  void stop() const;

  std::filesystem::path folder_;
  std::string connection_string_;
};

}  // namespace database_outage
