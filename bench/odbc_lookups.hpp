// Hand-written lookups over ODBC, without the module, on the host's connection:
//  - OdbcDirectLookup makes the module's own calls for the same statement text: SQLAllocStmt,
//    SQLExecDirect, SQLBindCol per column, SQLFetch, SQLFreeStmt(SQL_DROP).
//  - OdbcPreparedLookup prepares the statement once with a parameter marker per key and binds
//    keys and columns once; a lookup is SQLExecute, SQLFetch and SQLFreeStmt(SQL_CLOSE).
// Both copy each column into its host field by the length the driver reports, padding with
// spaces; neither converts numbers.
#pragma once

#include <sql.h>

#include <cstdint>
#include <span>
#include <vector>

#include "direct_statement.hpp"
#include "key_fields.hpp"
#include "lookup.hpp"
#include "lookup_cases.hpp"
#include "row_fields.hpp"

namespace lookup_bench {

// Column buffers bound as character data, one terminator byte wider than the field, each with
// its own length indicator.
class BoundColumns {
 public:
  explicit BoundColumns(std::span<const std::uint8_t> widths);
  bool bind(SQLHSTMT statement);
  void copy_to(RowFields& row) const;

 private:
  std::vector<std::size_t> offsets_;
  std::vector<SQLLEN> buffer_lengths_;
  std::vector<char> buffers_;
  std::vector<SQLLEN> indicators_;
};

class OdbcDirectLookup : public Lookup {
 public:
  OdbcDirectLookup(const LookupCase& lookup, SQLHDBC connection);
  void run() override;
  bool found() const override;

 private:
  const LookupCase& lookup_;
  SQLHDBC connection_;
  KeyFields keys_;
  DirectStatement statement_;
  BoundColumns columns_;
  RowFields row_;
  bool fetched_ = false;
};

class OdbcPreparedLookup : public Lookup {
 public:
  // Throws std::runtime_error with the driver's diagnostics when the statement cannot be
  // prepared or bound.
  OdbcPreparedLookup(const LookupCase& lookup, SQLHDBC connection);
  ~OdbcPreparedLookup() override;
  OdbcPreparedLookup(const OdbcPreparedLookup&) = delete;
  OdbcPreparedLookup& operator=(const OdbcPreparedLookup&) = delete;

  void run() override;
  bool found() const override;

 private:
  const LookupCase& lookup_;
  KeyFields keys_;
  std::vector<SQLLEN> key_lengths_;
  BoundColumns columns_;
  RowFields row_;
  SQLHSTMT statement_ = SQL_NULL_HSTMT;
  bool fetched_ = false;
};

}  // namespace lookup_bench
