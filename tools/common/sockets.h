// The loopback TCP sockets zpos-host serves on: a listener on 127.0.0.1,
// accepted connections, bounded waits, and the client side it needs to fill
// its own accept queue. Sends never raise SIGPIPE; a closed peer shows as a
// failed send.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zpos::tools {

// A descriptor on POSIX; kNoSocket marks none.
using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// A listener bound to 127.0.0.1:`port` (0 picks a free port, reported in
// `bound_port`), or kNoSocket.
Socket listen_loopback(int port, int backlog, int& bound_port);
Socket accept_connection(Socket listener);
// A connection to 127.0.0.1:`port` that completed within `timeout_ms`, or
// kNoSocket.
Socket connect_loopback(int port, int timeout_ms);
void close_socket(Socket s);
// Sends small writes at once instead of gathering them (TCP_NODELAY).
void send_at_once(Socket s);

// Waits up to `timeout_ms` (0: only looks): 1 when `s` is readable (a closed
// or failed peer counts as readable), 0 on time-out, -1 on error.
int wait_readable(Socket s, int timeout_ms);
// One send()/recv(): the count transferred, 0 for a closed peer (recv),
// below 0 for an error.
long send_some(Socket s, const void* bytes, std::size_t count);
long recv_some(Socket s, void* bytes, std::size_t count);

// The peer's port of a connection; 0 when it cannot be told.
int peer_port(Socket s);
// Whether the peer has closed: readable now with nothing left to read.
bool peer_closed(Socket s);

}  // namespace zpos::tools
