#include "platform/help_words.hpp"

namespace itemlookup::platform {

const char kTimeoutHelp[] =
    "  --timeout SECONDS longest wait for the database in one connect, statement or lookup;\n"
    "                    then the connection is cut and the lookup retried (0 to 3600,\n"
    "                    default 30; 0 waits for ever)\n";

}  // namespace itemlookup::platform
