#include "lookup_ways.hpp"

#include "module_lookup.hpp"
#include "odbc_lookups.hpp"
#include "sqlite_api_lookup.hpp"

namespace lookup_bench {

std::vector<LookupWay> odbc_ways(const LookupCase& lookup, itemlookup::OdbcConnection& connection) {
  std::vector<LookupWay> ways;
  ways.push_back({"module", std::make_unique<ModuleLookup>(lookup, built_module_directory(),
                                                           connection.environment(),
                                                           connection.connection())});
  ways.push_back(
      {"odbc_direct", std::make_unique<OdbcDirectLookup>(lookup, connection.connection())});
  ways.push_back(
      {"odbc_prepared", std::make_unique<OdbcPreparedLookup>(lookup, connection.connection())});
  return ways;
}

std::vector<LookupWay> sqlite_ways(const LookupCase& lookup, itemlookup::OdbcConnection& connection,
                                   const std::filesystem::path& database) {
  std::vector<LookupWay> ways = odbc_ways(lookup, connection);
  ways.push_back({"sqlite_api", std::make_unique<SqliteApiLookup>(lookup, database)});
  return ways;
}

}  // namespace lookup_bench
