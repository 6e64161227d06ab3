// The database connection's own sockets, told apart from every other descriptor of the process:
// they are the sockets that appeared while the driver connected. Only they may be cut when a wait
// lasts too long. A descriptor the process inherited (a parent's listening socket, a peer's
// socketpair, a standard output that is a socket) is shared with other processes, and shutdown()
// acts on the socket for all of them, so it is never touched.
#pragma once

namespace itemlookup {

// Around one SQLDriverConnect: notes the descriptors open before it, and records as the
// connection's every socket open after it that was not. Meanwhile, every socket opened since it
// began counts as the connection's, so that a connect that hangs can be cut too.
class ConnectingSockets {
 public:
  ConnectingSockets();
  ~ConnectingSockets();
  ConnectingSockets(const ConnectingSockets&) = delete;
  ConnectingSockets& operator=(const ConnectingSockets&) = delete;
};

// Shuts down, in both directions, the sockets of the database connections: those recorded, and
// during a connect those opened since it began. Blocked reads on them return at once. Safe in a
// signal handler. Returns how many it shut down.
int cut_database_sockets();

}  // namespace itemlookup
