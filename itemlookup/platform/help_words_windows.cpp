#include "platform/help_words.hpp"

namespace itemlookup::platform {

// Windows gives no reach into the driver's sockets, so past the bound the run ends instead of
// retrying (connection/lookup_watchdog_windows.cpp).
const char kTimeoutHelp[] =
    "  --timeout SECONDS longest wait for the database in one connect, statement or lookup;\n"
    "                    then the run ends: the waiting lookup or check gets the error,\n"
    "                    exit status 2 (0 to 3600, default 30; 0 waits for ever)\n";

}  // namespace itemlookup::platform
