#include "platform/help_words.hpp"

namespace itemlookup::platform {

// The bound cuts the process's sockets from a watchdog; Windows gives no such reach into the
// driver's connections, so the option is accepted for scripts shared with Linux and does
// nothing.
const char kTimeoutHelp[] =
    "  --timeout SECONDS accepted (0 to 3600) and without effect on Windows: a wait for the\n"
    "                    database is bounded by the driver's own timeouts only\n";

}  // namespace itemlookup::platform
