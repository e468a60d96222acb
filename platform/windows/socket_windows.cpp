// Windows side of the link socket: Winsock over IPv4, the calls that differ
// from POSIX (platform/socket.cpp has the rest). The socket layer itself
// is started and stopped with the module (platform.h).
#include "platform/system_socket.h"

namespace zpos::platform {

namespace {
SOCKET sock(Socket s) { return static_cast<SOCKET>(s); }

timeval to_timeval(int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}


// Every socket handle is kept from child processes: a program the POS starts
// while a link is open (a receipt printer between Zelta_Send and Zelta_Ack)
// must not hold the host connection open after the library has closed it.
SOCKET not_inherited(SOCKET s) {
    if (s != INVALID_SOCKET) SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return s;
}
}  // namespace

Socket system::socket_new() {
    SOCKET s = not_inherited(::socket(AF_INET, SOCK_STREAM, 0));
    return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s);
}

// The Windows stack gives up on an unanswered connect after about 21 seconds
// by itself.
void system::bound_connect_wait(Socket) {}

void system::prepare_listener(Socket) {}

void socket_close(Socket s) {
    if (s != kNoSocket) ::closesocket(sock(s));
}

bool socket_set_nonblocking(Socket s, bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(sock(s), FIONBIO, &mode) == 0;
}

int system::connect_error(Socket) {
    int e = ::WSAGetLastError();
    return e ? e : -1;
}

bool socket_connect_pending(int error) { return error == WSAEWOULDBLOCK; }

int socket_select_connect(Socket s, int timeout_ms, bool& in_read, bool& in_write) {
    in_read = in_write = false;
    fd_set rd, wr;
    FD_ZERO(&rd);
    FD_ZERO(&wr);
    FD_SET(sock(s), &rd);
    FD_SET(sock(s), &wr);
    timeval tv = to_timeval(timeout_ms);
    int r = ::select(0, &rd, &wr, nullptr, timeout_ms > 0 ? &tv : nullptr);
    if (r > 0) {
        in_read = FD_ISSET(sock(s), &rd) != 0;
        in_write = FD_ISSET(sock(s), &wr) != 0;
    }
    return r;
}

int socket_select_read(Socket s, int timeout_ms, bool& in_read) {
    in_read = false;
    fd_set rd;
    FD_ZERO(&rd);
    FD_SET(sock(s), &rd);
    timeval tv = to_timeval(timeout_ms);
    int r = ::select(0, &rd, nullptr, nullptr, &tv);
    if (r > 0) in_read = FD_ISSET(sock(s), &rd) != 0;
    return r;
}

long socket_send(Socket s, const void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    return ::send(sock(s), static_cast<const char*>(bytes), static_cast<int>(count), 0);
}

long socket_recv(Socket s, void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    return ::recv(sock(s), static_cast<char*>(bytes), static_cast<int>(count), 0);
}

// Winsock has no per-call MSG_DONTWAIT: a wait of no time says whether
// anything is there.
long socket_recv_now(Socket s, void* bytes, std::size_t count) {
    bool ready = false;
    int r = socket_select_read(s, 0, ready);
    if (r == 0) return kNothingYet;
    if (r < 0 || !ready) return -1;
    return socket_recv(s, bytes, count);
}

long socket_last_error() { return static_cast<long>(::GetLastError()); }

Socket socket_accept(Socket listener) {
    SOCKET s = not_inherited(::accept(sock(listener), nullptr, nullptr));
    return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s);
}

}  // namespace zpos::platform
