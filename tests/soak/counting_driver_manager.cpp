#include "counting_driver_manager.hpp"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

using counting_dm::Function;
using counting_dm::RecordedCall;

// The installed driver manager, by its full path: by name this library would find itself.
void* real_driver_manager() {
  static void* const library = [] {
    void* loaded = dlopen(ITEM_LOOKUP_REAL_DRIVER_MANAGER, RTLD_NOW | RTLD_LOCAL);
    if (loaded == nullptr) {
      std::fprintf(stderr, "counting driver manager: %s\n", dlerror());
      std::abort();
    }
    return loaded;
  }();
  return library;
}

template <typename Entry>
Entry real(const char* name) {
  void* entry = dlsym(real_driver_manager(), name);
  if (entry == nullptr) {
    std::fprintf(stderr, "counting driver manager: no %s in the driver manager\n", name);
    std::abort();
  }
  return reinterpret_cast<Entry>(entry);
}

std::atomic<long> open_statements{0};
std::atomic<long> statements_allocated{0};

std::mutex recording_mutex;
bool recording = false;
std::vector<RecordedCall> recorded;

SQLRETURN note(Function function, SQLRETURN result, int detail = 0) {
  std::scoped_lock lock(recording_mutex);
  if (recording) recorded.push_back({function, result, detail});
  return result;
}

void allocated(SQLRETURN result) {
  if (!SQL_SUCCEEDED(result)) return;
  ++open_statements;
  ++statements_allocated;
}

void released(SQLRETURN result) {
  if (SQL_SUCCEEDED(result)) --open_statements;
}

}  // namespace

// Each entry resolves its counterpart once, on first use.
#define REAL(name) static const auto real_##name = real<decltype(&name)>(#name)

extern "C" {

COUNTING_DM_API SQLRETURN SQLAllocStmt(SQLHDBC connection, SQLHSTMT* statement) {
  REAL(SQLAllocStmt);
  const SQLRETURN result = real_SQLAllocStmt(connection, statement);
  allocated(result);
  return note(Function::alloc_stmt, result);
}

COUNTING_DM_API SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  REAL(SQLAllocHandle);
  const SQLRETURN result = real_SQLAllocHandle(type, input, output);
  if (type == SQL_HANDLE_STMT) allocated(result);
  return result;
}

COUNTING_DM_API SQLRETURN SQLFreeStmt(SQLHSTMT statement, SQLUSMALLINT option) {
  REAL(SQLFreeStmt);
  const SQLRETURN result = real_SQLFreeStmt(statement, option);
  if (option == SQL_DROP) released(result);
  return note(Function::free_stmt, result, option);
}

COUNTING_DM_API SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  REAL(SQLFreeHandle);
  const SQLRETURN result = real_SQLFreeHandle(type, handle);
  if (type == SQL_HANDLE_STMT) released(result);
  return result;
}

COUNTING_DM_API SQLRETURN SQLSetStmtOption(SQLHSTMT statement, SQLUSMALLINT option, SQLULEN value) {
  REAL(SQLSetStmtOption);
  return note(Function::set_stmt_option, real_SQLSetStmtOption(statement, option, value));
}

COUNTING_DM_API SQLRETURN SQLExecDirect(SQLHSTMT statement, SQLCHAR* text, SQLINTEGER length) {
  REAL(SQLExecDirect);
  return note(Function::exec_direct, real_SQLExecDirect(statement, text, length));
}

COUNTING_DM_API SQLRETURN SQLBindCol(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type,
                                     SQLPOINTER target, SQLLEN length, SQLLEN* indicator) {
  REAL(SQLBindCol);
  return note(Function::bind_col,
              real_SQLBindCol(statement, column, type, target, length, indicator));
}

COUNTING_DM_API SQLRETURN SQLFetch(SQLHSTMT statement) {
  REAL(SQLFetch);
  return note(Function::fetch, real_SQLFetch(statement));
}

COUNTING_DM_API SQLRETURN SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record,
                                        SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message,
                                        SQLSMALLINT capacity, SQLSMALLINT* length) {
  REAL(SQLGetDiagRec);
  return note(Function::get_diag_rec,
              real_SQLGetDiagRec(type, handle, record, state, native, message, capacity, length),
              record);
}

// What the hosts of these processes call besides: passed on as they are.
COUNTING_DM_API SQLRETURN SQLSetEnvAttr(SQLHENV environment, SQLINTEGER attribute, SQLPOINTER value,
                                        SQLINTEGER length) {
  REAL(SQLSetEnvAttr);
  return real_SQLSetEnvAttr(environment, attribute, value, length);
}

COUNTING_DM_API SQLRETURN SQLSetConnectAttr(SQLHDBC connection, SQLINTEGER attribute,
                                            SQLPOINTER value, SQLINTEGER length) {
  REAL(SQLSetConnectAttr);
  return real_SQLSetConnectAttr(connection, attribute, value, length);
}

COUNTING_DM_API SQLRETURN SQLDriverConnect(SQLHDBC connection, SQLHWND window, SQLCHAR* in,
                                           SQLSMALLINT in_length, SQLCHAR* out,
                                           SQLSMALLINT out_capacity, SQLSMALLINT* out_length,
                                           SQLUSMALLINT completion) {
  REAL(SQLDriverConnect);
  return real_SQLDriverConnect(connection, window, in, in_length, out, out_capacity, out_length,
                               completion);
}

COUNTING_DM_API SQLRETURN SQLDisconnect(SQLHDBC connection) {
  REAL(SQLDisconnect);
  return real_SQLDisconnect(connection);
}

COUNTING_DM_API SQLRETURN SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  REAL(SQLEndTran);
  return real_SQLEndTran(type, handle, completion);
}

COUNTING_DM_API SQLRETURN SQLGetInfo(SQLHDBC connection, SQLUSMALLINT item, SQLPOINTER value,
                                     SQLSMALLINT capacity, SQLSMALLINT* length) {
  REAL(SQLGetInfo);
  return real_SQLGetInfo(connection, item, value, capacity, length);
}

COUNTING_DM_API SQLRETURN SQLNumResultCols(SQLHSTMT statement, SQLSMALLINT* columns) {
  REAL(SQLNumResultCols);
  return real_SQLNumResultCols(statement, columns);
}

COUNTING_DM_API SQLRETURN SQLGetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type,
                                     SQLPOINTER value, SQLLEN capacity, SQLLEN* indicator) {
  REAL(SQLGetData);
  return real_SQLGetData(statement, column, type, value, capacity, indicator);
}

}  // extern "C"

long counting_dm_open_statements() {
  return open_statements.load();
}

long counting_dm_statements_allocated() {
  return statements_allocated.load();
}

void counting_dm_record(bool on) {
  std::scoped_lock lock(recording_mutex);
  recording = on;
  recorded.clear();
}

std::size_t counting_dm_recorded(RecordedCall* calls, std::size_t capacity) {
  std::scoped_lock lock(recording_mutex);
  std::copy_n(recorded.begin(), std::min(capacity, recorded.size()), calls);
  return recorded.size();
}
