// The ODBC 2 functions the statement cycle calls, through the module's bindings, in the driver
// manager's calling convention (SQL_API: stdcall on 32-bit Windows, the C one elsewhere).
#pragma once

#include <sql.h>

#include "called_names.hpp"

namespace lookup_frame::odbc {

inline int alloc_stmt(CalledNames& names, SQLHDBC connection, SQLHSTMT* statement) {
  return call_bound<SQLRETURN(SQL_API*)(SQLHDBC, SQLHSTMT*)>(names.alloc_stmt, connection,
                                                             statement);
}

inline int set_stmt_option(CalledNames& names, SQLHSTMT statement, SQLUSMALLINT option,
                           SQLULEN value) {
  return call_bound<SQLRETURN(SQL_API*)(SQLHSTMT, SQLUSMALLINT, SQLULEN)>(names.set_stmt_option,
                                                                          statement, option, value);
}

inline int exec_direct(CalledNames& names, SQLHSTMT statement, SQLCHAR* text, SQLINTEGER length) {
  return call_bound<SQLRETURN(SQL_API*)(SQLHSTMT, SQLCHAR*, SQLINTEGER)>(names.exec_direct,
                                                                         statement, text, length);
}

inline int bind_col(CalledNames& names, SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT c_type,
                    SQLPOINTER target, SQLLEN buffer_length, SQLLEN* indicator) {
  return call_bound<SQLRETURN(SQL_API*)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN,
                                        SQLLEN*)>(names.bind_col, statement, column, c_type, target,
                                                  buffer_length, indicator);
}

inline int fetch(CalledNames& names, SQLHSTMT statement) {
  return call_bound<SQLRETURN(SQL_API*)(SQLHSTMT)>(names.fetch, statement);
}

inline int free_stmt(CalledNames& names, SQLHSTMT statement, SQLUSMALLINT option) {
  return call_bound<SQLRETURN(SQL_API*)(SQLHSTMT, SQLUSMALLINT)>(names.free_stmt, statement,
                                                                 option);
}

}  // namespace lookup_frame::odbc
