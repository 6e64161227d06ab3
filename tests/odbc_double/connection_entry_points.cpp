// The driver manager functions a host calls on its own connection (itemlookup's OdbcConnection),
// with unixODBC's prototypes. Statement handles come from the same allocations the modules get,
// so that a host's statements land on the one timeline.

#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "double_state.hpp"
#include "fake_handle.hpp"

namespace {

using odbc_double::Function;
using odbc_double::detail::LockedState;

// Opaque values a caller never dereferences; distinct from statement handles.
SQLHANDLE const kEnvironment = odbc_double::fake_handle<SQLHANDLE>(0x5600'0000'0010, 0xD600'0010);
SQLHANDLE const kConnection = odbc_double::fake_handle<SQLHANDLE>(0x5600'0000'0020, 0xD600'0020);

// Copies text into a caller's buffer of `capacity` bytes, always terminated; true when it fit.
bool copy_text(const std::string& text, SQLPOINTER target, SQLLEN capacity) {
  if (target == nullptr || capacity <= 0) return false;
  const std::size_t room = static_cast<std::size_t>(capacity) - 1;
  const std::size_t count = std::min(room, text.size());
  std::memcpy(target, text.data(), count);
  static_cast<char*>(target)[count] = '\0';
  return count == text.size();
}

// Puts a connection call on the timeline; it always succeeds.
SQLRETURN record(odbc_double::Call call) {
  LockedState state;
  state->recording.next_occurrence(call.function);
  call.result = SQL_SUCCESS;
  state->recording.append(std::move(call));
  return SQL_SUCCESS;
}

}  // namespace

extern "C" {

ODBC_DOUBLE_API SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE, SQLHANDLE* handle) {
  if (handle == nullptr) return SQL_ERROR;
  switch (type) {
    case SQL_HANDLE_ENV:
      *handle = kEnvironment;
      return SQL_SUCCESS;
    case SQL_HANDLE_DBC:
      *handle = kConnection;
      return SQL_SUCCESS;
    case SQL_HANDLE_STMT:
      return SQLAllocStmt(kConnection, handle);
  }
  return SQL_ERROR;
}

ODBC_DOUBLE_API SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  return type == SQL_HANDLE_STMT ? SQLFreeStmt(handle, SQL_DROP) : SQL_SUCCESS;
}

ODBC_DOUBLE_API SQLRETURN SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

ODBC_DOUBLE_API SQLRETURN SQLDriverConnect(SQLHDBC, SQLHWND, SQLCHAR* text, SQLSMALLINT length,
                                           SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLUSMALLINT) {
  const auto* bytes = reinterpret_cast<const char*>(text);
  std::string string;
  if (bytes != nullptr) {
    string = length == SQL_NTS ? std::string(bytes) : std::string(bytes, length);
  }
  return record(odbc_double::Call{.function = Function::connect, .text = std::move(string)});
}

ODBC_DOUBLE_API SQLRETURN SQLDisconnect(SQLHDBC) {
  return record(odbc_double::Call{.function = Function::disconnect});
}

ODBC_DOUBLE_API SQLRETURN SQLEndTran(SQLSMALLINT, SQLHANDLE, SQLSMALLINT) {
  return SQL_SUCCESS;
}

ODBC_DOUBLE_API SQLRETURN SQLGetInfo(SQLHDBC, SQLUSMALLINT item, SQLPOINTER value,
                                     SQLSMALLINT capacity, SQLSMALLINT* length) {
  LockedState state;
  const auto found = state->script.info.find(item);
  const std::string text = found != state->script.info.end() ? found->second : "";
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(text.size());
  return copy_text(text, value, capacity) ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

ODBC_DOUBLE_API SQLRETURN SQLSetConnectAttr(SQLHDBC, SQLINTEGER attribute, SQLPOINTER value,
                                            SQLINTEGER) {
  LockedState state;
  state->script.connection_attributes.insert_or_assign(attribute, reinterpret_cast<SQLULEN>(value));
  return SQL_SUCCESS;
}

ODBC_DOUBLE_API SQLRETURN SQLGetConnectAttr(SQLHDBC, SQLINTEGER attribute, SQLPOINTER value,
                                            SQLINTEGER, SQLINTEGER*) {
  LockedState state;
  const auto found = state->script.connection_attributes.find(attribute);
  SQLULEN answer = 0;
  if (found != state->script.connection_attributes.end()) {
    answer = found->second;
  } else if (attribute == SQL_ATTR_AUTOCOMMIT) {
    answer = SQL_AUTOCOMMIT_ON;
  } else if (attribute == SQL_ATTR_TRACE) {
    answer = SQL_OPT_TRACE_OFF;
  } else {
    return SQL_ERROR;
  }
  if (value != nullptr) *static_cast<SQLUINTEGER*>(value) = static_cast<SQLUINTEGER>(answer);
  return SQL_SUCCESS;
}

ODBC_DOUBLE_API SQLRETURN SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* columns) {
  LockedState state;
  const auto* statement = state->statements.find(handle);
  if (statement == nullptr) return SQL_INVALID_HANDLE;
  std::size_t count = 0;
  if (statement->rows && !statement->rows->empty()) count = statement->rows->front().size();
  if (columns != nullptr) *columns = static_cast<SQLSMALLINT>(count);
  return SQL_SUCCESS;
}

// Text only, in as many pieces as the buffer needs, like a driver.
ODBC_DOUBLE_API SQLRETURN SQLGetData(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT c_type,
                                     SQLPOINTER target, SQLLEN capacity, SQLLEN* indicator) {
  LockedState state;
  auto* statement = state->statements.find(handle);
  if (statement == nullptr) return SQL_INVALID_HANDLE;
  if (c_type != SQL_C_CHAR || !statement->rows || statement->next_row == 0 || column == 0 ||
      column > (*statement->rows)[statement->next_row - 1].size()) {
    return SQL_ERROR;
  }
  const odbc_double::Value& value = (*statement->rows)[statement->next_row - 1][column - 1];
  const std::pair<std::size_t, SQLUSMALLINT> here{statement->next_row, column};
  if (statement->data_at != here) {
    statement->data_at = here;
    statement->data_offset = 0;
  } else if (!value || statement->data_offset >= value->size()) {
    return SQL_NO_DATA;
  }
  if (!value) {
    if (indicator != nullptr) *indicator = SQL_NULL_DATA;
    statement->data_offset = 1;
    return SQL_SUCCESS;
  }
  const std::string rest = value->substr(statement->data_offset);
  if (indicator != nullptr) *indicator = static_cast<SQLLEN>(rest.size());
  const bool whole = copy_text(rest, target, capacity);
  statement->data_offset += whole ? rest.size() : static_cast<std::size_t>(capacity) - 1;
  if (whole && rest.empty()) statement->data_offset = 1;  // an empty value is read once
  return whole ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

ODBC_DOUBLE_API SQLRETURN SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record,
                                        SQLCHAR* sqlstate, SQLINTEGER* native_error,
                                        SQLCHAR* message, SQLSMALLINT capacity,
                                        SQLSMALLINT* length) {
  if (type != SQL_HANDLE_STMT || record != 1) return SQL_NO_DATA;
  LockedState state;
  const auto* statement = state->statements.find(handle);
  if (statement == nullptr) return SQL_INVALID_HANDLE;
  if (!statement->diagnostic) return SQL_NO_DATA;
  const odbc_double::Diagnostic& diagnostic = *statement->diagnostic;
  if (sqlstate != nullptr) copy_text(diagnostic.sqlstate, sqlstate, SQL_SQLSTATE_SIZE + 1);
  if (native_error != nullptr) *native_error = diagnostic.native_error;
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(diagnostic.message.size());
  return copy_text(diagnostic.message, message, capacity) ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

}  // extern "C"
