// The ways one case is looked up, side by side: through the module, and by hand over ODBC (the
// statement executed directly, and prepared once); on SQLite also through its own C API.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "connection/odbc_connection.hpp"
#include "lookup.hpp"
#include "lookup_cases.hpp"

namespace lookup_bench {

struct LookupWay {
  std::string_view name;  // module, odbc_direct, odbc_prepared, sqlite_api
  std::unique_ptr<Lookup> lookup;
};

// The three ODBC ways on `connection`.
std::vector<LookupWay> odbc_ways(const LookupCase& lookup, itemlookup::OdbcConnection& connection);

// The ODBC ways on a connection to the SQLite file `database`, then the SQLite C API on it.
std::vector<LookupWay> sqlite_ways(const LookupCase& lookup, itemlookup::OdbcConnection& connection,
                                   const std::filesystem::path& database);

}  // namespace lookup_bench
