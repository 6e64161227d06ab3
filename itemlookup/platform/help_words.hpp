// How the help and the messages name what differs between systems.
#pragma once

namespace itemlookup::platform {

// What --timeout does on this system, in the help's layout (two lines, indented).
extern const char kTimeoutHelp[];

}  // namespace itemlookup::platform
