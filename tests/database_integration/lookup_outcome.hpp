// What one lookup call leaves behind: the module's return code, every text field of the
// parameter list, and what the message module wrote to standard error meanwhile.
#pragma once

#include <ostream>
#include <string>

#include "item_lookup.h"

namespace database_integration {

// Which database kind a host passes: anything but "SQLSERVER" keeps the driver's default
// forward-only cursor; "SQLSERVER" asks for a static cursor first.
enum class DatabaseKind { plain, sqlserver };

inline void PrintTo(DatabaseKind kind, std::ostream* out) {
  *out << (kind == DatabaseKind::sqlserver ? "SQLSERVER" : "blank");
}

// The database kind field as the host fills it.
inline std::string database_kind_text(DatabaseKind kind) {
  return kind == DatabaseKind::sqlserver ? LOOKUP_DATABASE_KIND_SQLSERVER
                                         : std::string(LOOKUP_DATABASE_KIND_WIDTH, ' ');
}

struct LookupOutcome {
  int return_code = 0;
  std::string fields;    // field_listing text
  std::string messages;  // standard error during the call

  bool operator==(const LookupOutcome&) const = default;
};

// Nothing failed: the message module heard at most of values cut by their fields (an accented
// text longer in bytes than its field, or PostgreSQL's padding of one), and the row was read.
inline bool at_most_truncation_warnings(const std::string& messages) {
  for (std::size_t line = 0; line < messages.size(); line = messages.find('\n', line) + 1) {
    if (messages.compare(line, 24, "SOLVAKE: SQLSTATE 01004 ") != 0) return false;
    if (messages.find('\n', line) == std::string::npos) return false;
  }
  return true;
}

inline std::ostream& operator<<(std::ostream& out, const LookupOutcome& outcome) {
  return out << "return code " << outcome.return_code << "\n"
             << outcome.fields << "stderr: [" << outcome.messages << "]";
}

}  // namespace database_integration
