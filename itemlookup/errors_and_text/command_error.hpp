// A problem the operator has to fix before any lookup can run: bad usage, no connection, a
// module that does not load. Reported on stderr with exit status 2.
#pragma once

#include <stdexcept>

namespace itemlookup {

class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace itemlookup
