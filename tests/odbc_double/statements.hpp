// The statements the double has handed out: their bound columns and their pending rows.
#pragma once

#include <sql.h>

#include <cstddef>
#include <map>
#include <optional>
#include <vector>

#include "odbc_double.hpp"

namespace odbc_double::detail {

struct Binding {
  SQLSMALLINT c_type = 0;
  SQLPOINTER target = nullptr;
  SQLLEN buffer_length = 0;
  SQLLEN* indicator = nullptr;
};

struct Statement {
  std::map<SQLUSMALLINT, Binding> bindings;  // ascending column order, as fetch writes them
  std::optional<std::vector<Row>> rows;      // set by a successful exec
  std::size_t next_row = 0;
  std::optional<Diagnostic> diagnostic;  // of the last exec, when it failed as scripted
  // Where SQLGetData left off: the row number and column, and the bytes handed over so far.
  std::pair<std::size_t, SQLUSMALLINT> data_at{};
  std::size_t data_offset = 0;
};

class Statements {
 public:
  // A fake handle: distinct per allocation, never dereferenced by the double.
  static SQLHSTMT handle_for(int allocation);

  SQLHSTMT open(int allocation);
  Statement* find(SQLHSTMT handle);
  void drop(SQLHSTMT handle);
  std::vector<SQLHSTMT> handles() const;

 private:
  std::map<int, std::pair<SQLHSTMT, Statement>> open_;  // by allocation, i.e. in order
};

}  // namespace odbc_double::detail
