// itemlookup's exit statuses, the same for every command.
#pragma once

namespace itemlookup {

inline constexpr int kExitFound = 0;
inline constexpr int kExitNotFound = 1;
// A lookup or a check that failed, a run that could not start or could not go on.
inline constexpr int kExitTrouble = 2;

}  // namespace itemlookup
