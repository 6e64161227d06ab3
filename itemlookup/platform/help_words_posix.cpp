#include "platform/help_words.hpp"

namespace itemlookup::platform {

const char kTimeoutHelp[] =
    "  --timeout SECONDS longest wait for the database in one lookup or reconnect; then the\n"
    "                    connection is cut and the lookup retried (0 to 3600, default 30;\n"
    "                    0 waits for ever)\n";

}  // namespace itemlookup::platform
