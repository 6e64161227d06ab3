// Why what was asked cannot run, in words for the operator: a usage or input error (an option, a
// lookup's words, a batch line), a file or folder that cannot be read, written or created, a
// module that does not load, or a database or its driver that refuses the connection, the
// session's setup or a statement. Who asked decides what it stops: main() reports it on standard
// error and ends with exit status 2; batch reports one raised by a line as that line's error and
// reads on; check makes it a finding.
#pragma once

#include <stdexcept>

namespace itemlookup {

class CannotRun : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace itemlookup
