// The same lookup through SQLite's own C API, no ODBC at all: prepared once, and per lookup the
// keys bound, one step, the columns copied out, the statement reset. What the engine itself
// costs, the floor under every ODBC figure on SQLite.
#pragma once

#include <sqlite3.h>

#include <filesystem>

#include "key_fields.hpp"
#include "lookup.hpp"
#include "lookup_cases.hpp"
#include "row_fields.hpp"

namespace lookup_bench {

class SqliteApiLookup : public Lookup {
 public:
  // Opens the database file read-only; throws std::runtime_error with SQLite's message when it
  // cannot open the file or prepare the statement.
  SqliteApiLookup(const LookupCase& lookup, const std::filesystem::path& database);
  ~SqliteApiLookup() override;
  SqliteApiLookup(const SqliteApiLookup&) = delete;
  SqliteApiLookup& operator=(const SqliteApiLookup&) = delete;

  void run() override;
  bool found() const override;

 private:
  const LookupCase& lookup_;
  KeyFields keys_;
  RowFields row_;
  sqlite3* database_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
  bool fetched_ = false;
};

}  // namespace lookup_bench
