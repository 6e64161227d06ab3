// libodbc.so.2 for soak and outage processes: the installed driver manager behind a thin layer
// that keeps count of the statement handles open and can record the calls a lookup makes. A
// process links it and finds it first through its run path, so the modules' and the message
// module's dlopen("libodbc.so.2") land here too; every function is passed on unchanged.
#pragma once

#include <cstddef>

#define COUNTING_DM_API extern "C" __attribute__((visibility("default")))

namespace counting_dm {

// The calls a lookup and its message module make, as recorded.
enum class Function {
  alloc_stmt,
  set_stmt_option,
  exec_direct,
  bind_col,
  fetch,
  free_stmt,
  get_diag_rec
};

struct RecordedCall {
  Function function;
  int result;
  int detail;  // free_stmt: the option; get_diag_rec: the record number
};

}  // namespace counting_dm

// Statement handles allocated (SQLAllocStmt, SQLAllocHandle) and not yet dropped or freed.
COUNTING_DM_API long counting_dm_open_statements();
// Statement handles allocated since the process started.
COUNTING_DM_API long counting_dm_statements_allocated();
// Starts recording afresh (on) or stops and forgets (off).
COUNTING_DM_API void counting_dm_record(bool on);
// Copies up to `capacity` recorded calls, oldest first; returns how many were recorded.
COUNTING_DM_API std::size_t counting_dm_recorded(counting_dm::RecordedCall* calls,
                                                 std::size_t capacity);
