// Every name a lookup module calls, each bound on its first call and kept while the module is
// loaded: the six ODBC functions, the message module and the numeric text converter.
#pragma once

#include "name_binding.hpp"
#include "platform.hpp"

namespace lookup_frame {

struct CalledNames {
  LibraryBinding driver_manager{platform::kDriverManager};
  EntryBinding alloc_stmt{&driver_manager, "SQLAllocStmt"};
  EntryBinding set_stmt_option{&driver_manager, "SQLSetStmtOption"};
  EntryBinding exec_direct{&driver_manager, "SQLExecDirect"};
  EntryBinding bind_col{&driver_manager, "SQLBindCol"};
  EntryBinding fetch{&driver_manager, "SQLFetch"};
  EntryBinding free_stmt{&driver_manager, "SQLFreeStmt"};

  // The host's own modules: under its current directory, failing that beside this module's
  // own file (on Linux beside the path it was loaded by, then beside its real file).
  LibraryBinding message_library{platform::kMessageModule, Source::host_module};
  EntryBinding message_module{&message_library, "SOLVAKE"};
  LibraryBinding converter_library{platform::kConverter, Source::host_module};
  EntryBinding converter{&converter_library, "TARNIVEL"};

  CalledNames() = default;
  CalledNames(const CalledNames&) = delete;
  CalledNames& operator=(const CalledNames&) = delete;
  ~CalledNames();
};

// A name that cannot be resolved answers as a call that failed: the host never crashes.
inline constexpr int kUnresolvedResult = -1;

template <typename Function, typename... Arguments>
int call_bound(EntryBinding& binding, Arguments... arguments) {
  void* entry = binding.resolve();
  if (entry == nullptr) return kUnresolvedResult;
  return reinterpret_cast<Function>(entry)(arguments...);
}

}  // namespace lookup_frame
