// The database's sockets, told apart from every other descriptor of the process: every socket
// that appeared after the bound on waits began. A driver opens them when it connects, and again
// when it reconnects by itself inside a statement, tries the next host of a list or retries
// without TLS; only they may be cut when a wait lasts too long. A socket the process had before
// (inherited from a parent: its listening socket, a peer's socketpair, a standard output that is
// a socket) is shared with other processes, and shutdown() acts on the socket for all of them, so
// it is never touched; nor is a standard stream, whatever it holds.
#pragma once

namespace itemlookup {

// Notes the sockets open now as the process's own, never to be cut. Called when the bound
// begins, before the first connect, while nothing can cut.
void spare_sockets_open_now();

// Shuts down, in both directions, every socket opened since spare_sockets_open_now(): blocked
// reads on them return at once. Safe in a signal handler. Returns how many it shut down; none
// before spare_sockets_open_now() was called.
int cut_database_sockets();

}  // namespace itemlookup
