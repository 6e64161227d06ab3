#include "sqlite_connection.hpp"

#include <gtest/gtest.h>

SqliteConnection::SqliteConnection() {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  const std::string text = "DRIVER=SQLite3;Database=" + (folder_ / "test.db").string() + ";";
  const SQLRETURN rc = SQLDriverConnect(connection, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS,
                                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << "the SQLite ODBC driver is not installed";
}

SqliteConnection::~SqliteConnection() {
  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
}

void SqliteConnection::execute(const std::string& sql) {
  SQLHSTMT statement = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement);
  const SQLRETURN rc = SQLExecDirect(statement, (SQLCHAR*)sql.c_str(), SQL_NTS);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql;
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
}
