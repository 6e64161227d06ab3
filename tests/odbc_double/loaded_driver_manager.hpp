// The six ODBC functions reached the way a lookup module reaches them: dlopen("libodbc.so.2")
// and dlsym, so the double's tests go through the same door.
#pragma once

#include <dlfcn.h>
#include <sql.h>

#include <stdexcept>

class LoadedDriverManager {
  void* const library_;  // first: the entries below are bound from it

 public:
  using AllocStmt = SQLRETURN (*)(SQLHDBC, SQLHSTMT*);
  using SetStmtOption = SQLRETURN (*)(SQLHSTMT, SQLUSMALLINT, SQLULEN);
  using ExecDirect = SQLRETURN (*)(SQLHSTMT, SQLCHAR*, SQLINTEGER);
  using BindCol = SQLRETURN (*)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
  using Fetch = SQLRETURN (*)(SQLHSTMT);
  using FreeStmt = SQLRETURN (*)(SQLHSTMT, SQLUSMALLINT);

  LoadedDriverManager() : library_(dlopen("libodbc.so.2", RTLD_NOW | RTLD_LOCAL)) {
    if (library_ == nullptr) throw std::runtime_error(dlerror());
  }
  ~LoadedDriverManager() { dlclose(library_); }
  LoadedDriverManager(const LoadedDriverManager&) = delete;
  LoadedDriverManager& operator=(const LoadedDriverManager&) = delete;

  void* library() const { return library_; }

  const AllocStmt alloc = bound<AllocStmt>("SQLAllocStmt");
  const SetStmtOption set_option = bound<SetStmtOption>("SQLSetStmtOption");
  const ExecDirect exec = bound<ExecDirect>("SQLExecDirect");
  const BindCol bind = bound<BindCol>("SQLBindCol");
  const Fetch fetch = bound<Fetch>("SQLFetch");
  const FreeStmt free = bound<FreeStmt>("SQLFreeStmt");

  // Executes `text` (NUL-terminated) on a fresh statement and returns it.
  SQLHSTMT executed(const char* text) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    if (alloc(nullptr, &statement) != SQL_SUCCESS) throw std::runtime_error("alloc failed");
    exec(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    return statement;
  }

 private:
  template <typename Function>
  Function bound(const char* name) const {
    void* entry = dlsym(library_, name);
    if (entry == nullptr) throw std::runtime_error(name);
    return reinterpret_cast<Function>(entry);
  }
};
