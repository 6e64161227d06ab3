#include "odbc_lookups.hpp"

#include <sqlext.h>

#include <stdexcept>

#include "connection/odbc_connection.hpp"

namespace lookup_bench {

namespace {

SQLCHAR* sql_text(const char* text) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text));
}

void check(SQLRETURN result, const char* what, SQLSMALLINT handle_type, SQLHANDLE handle) {
  if (!SQL_SUCCEEDED(result)) {
    throw std::runtime_error(std::string(what) + ": " +
                             itemlookup::odbc_diagnostics(handle_type, handle));
  }
}

}  // namespace

BoundColumns::BoundColumns(std::span<const std::uint8_t> widths) : indicators_(widths.size()) {
  std::size_t offset = 0;
  for (std::uint8_t width : widths) {
    offsets_.push_back(offset);
    buffer_lengths_.push_back(width + 1);
    offset += width + 1;
  }
  buffers_.assign(offset, ' ');
}

bool BoundColumns::bind(SQLHSTMT statement) {
  for (std::size_t i = 0; i < offsets_.size(); ++i) {
    if (SQLBindCol(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR,
                   buffers_.data() + offsets_[i], buffer_lengths_[i],
                   &indicators_[i]) != SQL_SUCCESS) {
      return false;
    }
  }
  return true;
}

void BoundColumns::copy_to(RowFields& row) const {
  for (std::size_t i = 0; i < offsets_.size(); ++i) {
    const SQLLEN length = indicators_[i] < 0 ? 0 : indicators_[i];
    row.set(i, buffers_.data() + offsets_[i], static_cast<std::size_t>(length));
  }
}

OdbcDirectLookup::OdbcDirectLookup(const LookupCase& lookup, SQLHDBC connection)
    : lookup_(lookup),
      connection_(connection),
      keys_(lookup),
      statement_(lookup, keys_.addresses()),
      columns_(lookup.column_widths),
      row_(lookup.column_widths) {}

void OdbcDirectLookup::run() {
  const char* text = statement_.write();
  fetched_ = false;
  SQLHSTMT statement = SQL_NULL_HSTMT;
  if (SQLAllocStmt(connection_, &statement) != SQL_SUCCESS) return;
  if (SQL_SUCCEEDED(SQLExecDirect(statement, sql_text(text), SQL_NTS)) &&
      columns_.bind(statement) && SQLFetch(statement) == SQL_SUCCESS) {
    columns_.copy_to(row_);
    fetched_ = true;
  }
  SQLFreeStmt(statement, SQL_DROP);
}

bool OdbcDirectLookup::found() const {
  return fetched_ && holds_checked_value(lookup_, row_.field(0));
}

OdbcPreparedLookup::OdbcPreparedLookup(const LookupCase& lookup, SQLHDBC connection)
    : lookup_(lookup), keys_(lookup), columns_(lookup.column_widths), row_(lookup.column_widths) {
  check(SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement_), "SQLAllocHandle", SQL_HANDLE_DBC,
        connection);
  const std::string text = prepared_statement_text(lookup);
  check(SQLPrepare(statement_, sql_text(text.c_str()), SQL_NTS), "SQLPrepare", SQL_HANDLE_STMT,
        statement_);
  for (std::size_t i = 0; i < lookup.keys.size(); ++i) key_lengths_.push_back(lookup.keys[i].width);
  for (std::size_t i = 0; i < lookup.keys.size(); ++i) {
    const SQLULEN width = lookup.keys[i].width;
    check(SQLBindParameter(statement_, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                           SQL_C_CHAR, SQL_CHAR, width, 0, const_cast<char*>(keys_.addresses()[i]),
                           static_cast<SQLLEN>(width), &key_lengths_[i]),
          "SQLBindParameter", SQL_HANDLE_STMT, statement_);
  }
  if (!columns_.bind(statement_)) {
    check(SQL_ERROR, "SQLBindCol", SQL_HANDLE_STMT, statement_);
  }
}

OdbcPreparedLookup::~OdbcPreparedLookup() {
  SQLFreeHandle(SQL_HANDLE_STMT, statement_);
}

void OdbcPreparedLookup::run() {
  fetched_ = SQL_SUCCEEDED(SQLExecute(statement_)) && SQLFetch(statement_) == SQL_SUCCESS;
  if (fetched_) columns_.copy_to(row_);
  SQLFreeStmt(statement_, SQL_CLOSE);
}

bool OdbcPreparedLookup::found() const {
  return fetched_ && holds_checked_value(lookup_, row_.field(0));
}

}  // namespace lookup_bench
