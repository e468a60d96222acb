// The link socket of the platform layer: TCP stream sockets over IPv4 with the
// few calls the host link needs (connect with a select time-out, send, recv,
// select for reading) and, for the host simulator, a loopback listener.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zpos::platform {

// A socket handle is an integer on both sides (a descriptor on POSIX, a SOCKET
// on Windows); kNoSocket marks none.
using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// A new TCP stream socket (AF_INET, SOCK_STREAM, 0), or kNoSocket.
Socket socket_open();
void socket_close(Socket s);

// The IPv4 address of `host` in network byte order: the dotted form through
// inet_addr, and when that yields all ones and `lookup` is set, the first
// address gethostbyname finds. False when there is none.
bool socket_address(const char* host, bool lookup, std::uint32_t& address);

// inet_addr of `host`: a dotted IPv4 address in network byte order, all ones
// (INADDR_NONE) for anything else, a host name included.
std::uint32_t socket_inet_addr(const char* host);

// Non-blocking mode on or off; false when the call fails.
bool socket_set_nonblocking(Socket s, bool on);

// connect() to address and port; 0 when it succeeded, else the socket layer's
// error code (WSAGetLastError / errno).
int socket_connect(Socket s, std::uint32_t address, int port);
// True for the code a non-blocking connect gives while it is under way.
bool socket_connect_pending(int error);

// Waits, as select() with `s` in the read and the write set would (poll on
// POSIX). `timeout_ms` 0 waits without limit. Returns 0 on time-out, below 0
// on error, else positive with the sets that hold `s`.
int socket_select_connect(Socket s, int timeout_ms, bool& in_read, bool& in_write);
// Waits, as select() with `s` alone in the read set would, for `timeout_ms`.
// Returns 0 on time-out, below 0 on error, else positive and whether `s` is
// readable (an error or a closed peer counts as readable).
int socket_select_read(Socket s, int timeout_ms, bool& in_read);

// The pending error of the socket (getsockopt SOL_SOCKET SO_ERROR, 4 bytes);
// false when getsockopt itself fails.
bool socket_pending_error(Socket s, int& error);

// One send()/recv(); the count transferred, 0 for a closed peer (recv), below 0
// for an error. A send to a closed peer fails instead of raising a signal.
long socket_send(Socket s, const void* bytes, std::size_t count);
long socket_recv(Socket s, void* bytes, std::size_t count);
// One recv of what has arrived already, without waiting: as socket_recv, or
// kNothingYet when no byte is there.
inline constexpr long kNothingYet = -2;
long socket_recv_now(Socket s, void* bytes, std::size_t count);

// The system's last error code (GetLastError / errno).
long socket_last_error();

// ---- Loopback server side, used by the host simulator ----
// A listening socket bound to 127.0.0.1:`port` (0 picks a free port, reported in
// `bound_port`), or kNoSocket.
Socket socket_listen_loopback(int port, int backlog, int& bound_port);
// accept() on a listener; kNoSocket on failure.
Socket socket_accept(Socket listener);
// Sends small writes at once instead of gathering them (TCP_NODELAY).
void socket_no_delay(Socket s);

}  // namespace zpos::platform
