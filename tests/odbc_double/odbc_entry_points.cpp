// The six driver manager functions the lookup modules resolve, with unixODBC's prototypes.

#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "double_state.hpp"
#include "fetch_writer.hpp"
#include "test_platform.hpp"

// The modules take SQLLEN as wide as a handle: 8 bytes on 64-bit hosts, 4 on 32-bit ones.
static_assert(sizeof(SQLLEN) == sizeof(SQLHANDLE) && sizeof(SQLULEN) == sizeof(SQLHANDLE),
              "SQLLEN differs from the width of a handle");

namespace odbc_double::detail {

namespace {

// Whether the call may do what a successful call does: no script, or a scripted success.
bool effects_allowed(const Outcome* scripted) {
  return !scripted || succeeded(scripted->result);
}

SQLRETURN refuse(Call& call, std::string why) {
  call.note = std::move(why);
  return SQL_ERROR;
}

Statement* open_statement(DoubleState& state, Call& call) {
  Statement* statement = state.statements.find(call.statement);
  if (statement == nullptr) call.note = "statement handle is not open";
  return statement;
}

// Counts and records one call. `drive` does what a driver would and returns its result; a
// scripted result then replaces it.
template <typename Drive>
SQLRETURN answer(Call call, Drive drive) {
  LockedState state;
  const int occurrence = state->recording.next_occurrence(call.function);
  const Outcome* scripted = state->script.outcome(call.function, occurrence);
  SQLRETURN result = drive(*state, call, occurrence, scripted);
  if (scripted != nullptr) result = scripted->result;
  call.result = result;
  state->recording.append(std::move(call));
  return result;
}

bool is_free_option(SQLUSMALLINT option) {
  return option == SQL_CLOSE || option == SQL_DROP || option == SQL_UNBIND ||
         option == SQL_RESET_PARAMS;
}

}  // namespace

}  // namespace odbc_double::detail

using odbc_double::Call;
using odbc_double::Function;
using odbc_double::Outcome;
using odbc_double::detail::answer;
using odbc_double::detail::DoubleState;
using odbc_double::detail::effects_allowed;
using odbc_double::detail::open_statement;
using odbc_double::detail::refuse;
using odbc_double::detail::Statement;

extern "C" {

ODBC_DOUBLE_API SQLRETURN SQLAllocStmt(SQLHDBC connection, SQLHSTMT* handle_field) {
  return answer(
      Call{.function = Function::alloc, .connection = connection, .statement_field = handle_field},
      [&](DoubleState& state, Call& call, int occurrence, const Outcome* scripted) {
        if (handle_field == nullptr) return refuse(call, "no handle field");
        if (effects_allowed(scripted)) {
          *handle_field = call.statement = state.statements.open(occurrence);
        } else if (scripted->handle_written) {
          *handle_field = call.statement = *scripted->handle_written;
        }
        return SQLRETURN{SQL_SUCCESS};
      });
}

ODBC_DOUBLE_API SQLRETURN SQLSetStmtOption(SQLHSTMT handle, SQLUSMALLINT option, SQLULEN value) {
  return answer(Call{.function = Function::set_option,
                     .statement = handle,
                     .option = option,
                     .option_value = value},
                [](DoubleState& state, Call& call, int, const Outcome*) {
                  return open_statement(state, call) ? SQLRETURN{SQL_SUCCESS}
                                                     : SQLRETURN{SQL_INVALID_HANDLE};
                });
}

ODBC_DOUBLE_API SQLRETURN SQLExecDirect(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER text_length) {
  return answer(Call{.function = Function::exec, .statement = handle, .text_length = text_length},
                [&](DoubleState& state, Call& call, int occurrence, const Outcome* scripted) {
                  if (text == nullptr) return refuse(call, "no statement text");
                  if (text_length < 0 && text_length != SQL_NTS)
                    return refuse(call, "invalid text length");
                  const auto* bytes = reinterpret_cast<const char*>(text);
                  call.text =
                      text_length == SQL_NTS ? std::string(bytes) : std::string(bytes, text_length);
                  Statement* statement = open_statement(state, call);
                  if (statement == nullptr) return SQLRETURN{SQL_INVALID_HANDLE};
                  if (!effects_allowed(scripted)) return SQLRETURN{SQL_SUCCESS};
                  statement->next_row = 0;
                  statement->diagnostic.reset();
                  const auto by_text = state.script.statement_answers.find(call.text);
                  if (by_text != state.script.statement_answers.end()) {
                    std::size_t& executions = state.script.statement_executions[call.text];
                    const odbc_double::StatementAnswer& answer =
                        by_text->second[std::min(executions++, by_text->second.size() - 1)];
                    for (int opened = 0; opened < answer.silent_sockets; ++opened) {
                      if (!test_platform::read_silent_socket_until_cut(
                              std::chrono::seconds(odbc_double::kLongestSilentRead))) {
                        statement->rows.reset();
                        statement->diagnostic = odbc_double::Diagnostic{"HYT00", 0, "no cut came"};
                        return SQLRETURN{SQL_ERROR};
                      }
                    }
                    statement->diagnostic = answer.failure;
                    statement->rows = answer.rows;
                    if (answer.failure) statement->rows.reset();
                    return answer.failure ? SQLRETURN{SQL_ERROR} : SQLRETURN{SQL_SUCCESS};
                  }
                  const std::vector<odbc_double::Row>* rows = state.script.rows.find(occurrence);
                  statement->rows = rows ? *rows : std::vector<odbc_double::Row>{};
                  return SQLRETURN{SQL_SUCCESS};
                });
}

ODBC_DOUBLE_API SQLRETURN SQLBindCol(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT c_type,
                                     SQLPOINTER target, SQLLEN buffer_length, SQLLEN* indicator) {
  return answer(Call{.function = Function::bind,
                     .statement = handle,
                     .column = column,
                     .c_type = c_type,
                     .target = target,
                     .buffer_length = buffer_length,
                     .indicator = indicator},
                [&](DoubleState& state, Call& call, int, const Outcome* scripted) {
                  Statement* statement = open_statement(state, call);
                  if (statement == nullptr) return SQLRETURN{SQL_INVALID_HANDLE};
                  if (column == 0) return refuse(call, "bookmark columns are not served");
                  if (buffer_length < 0) return refuse(call, "negative buffer length");
                  if (!effects_allowed(scripted)) return SQLRETURN{SQL_SUCCESS};
                  if (target == nullptr) {
                    statement->bindings.erase(column);  // a null target unbinds the column
                  } else {
                    statement->bindings[column] = {c_type, target, buffer_length, indicator};
                  }
                  return SQLRETURN{SQL_SUCCESS};
                });
}

ODBC_DOUBLE_API SQLRETURN SQLFetch(SQLHSTMT handle) {
  return answer(
      Call{.function = Function::fetch, .statement = handle},
      [](DoubleState& state, Call& call, int, const Outcome* scripted) {
        Statement* statement = open_statement(state, call);
        if (statement == nullptr) return SQLRETURN{SQL_INVALID_HANDLE};
        if (!statement->rows) return refuse(call, "no statement executed");
        if (statement->next_row == statement->rows->size()) return SQLRETURN{SQL_NO_DATA};
        const odbc_double::Row& row = (*statement->rows)[statement->next_row++];
        call.row = static_cast<int>(statement->next_row);
        if (!effects_allowed(scripted) && scripted->columns == odbc_double::Columns::untouched) {
          return SQLRETURN{SQL_SUCCESS};
        }
        const auto writing =
            odbc_double::detail::write_row(statement->bindings, row, state.script.style);
        if (!writing.problem.empty()) return refuse(call, writing.problem);
        call.columns_written = true;
        return writing.truncated ? SQLRETURN{SQL_SUCCESS_WITH_INFO} : SQLRETURN{SQL_SUCCESS};
      });
}

ODBC_DOUBLE_API SQLRETURN SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
  return answer(Call{.function = Function::free, .statement = handle, .option = option},
                [&](DoubleState& state, Call& call, int, const Outcome* scripted) {
                  Statement* statement = open_statement(state, call);
                  if (statement == nullptr) return SQLRETURN{SQL_INVALID_HANDLE};
                  if (!odbc_double::detail::is_free_option(option))
                    return refuse(call, "unknown option");
                  if (!effects_allowed(scripted)) return SQLRETURN{SQL_SUCCESS};
                  if (option == SQL_DROP) {
                    state.statements.drop(handle);
                  } else if (option == SQL_CLOSE) {
                    statement->rows.reset();
                    statement->next_row = 0;
                  } else if (option == SQL_UNBIND) {
                    statement->bindings.clear();
                  }
                  return SQLRETURN{SQL_SUCCESS};
                });
}

}  // extern "C"
