// Windows side of the link socket: Winsock over IPv4. The socket layer itself
// is started and stopped with the module (platform.h).
#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "platform/socket.h"

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

Socket socket_open() {
    SOCKET s = not_inherited(::socket(AF_INET, SOCK_STREAM, 0));
    return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s);
}

void socket_close(Socket s) {
    if (s != kNoSocket) ::closesocket(sock(s));
}

bool socket_address(const char* host, bool lookup, std::uint32_t& address) {
    unsigned long a = ::inet_addr(host);
    if (a != INADDR_NONE) {
        address = static_cast<std::uint32_t>(a);
        return true;
    }
    if (!lookup) return false;
    hostent* he = ::gethostbyname(host);
    if (!he || he->h_addrtype != AF_INET || !he->h_addr_list || !he->h_addr_list[0]) return false;
    std::memcpy(&address, he->h_addr_list[0], 4);
    return true;
}

std::uint32_t socket_inet_addr(const char* host) { return static_cast<std::uint32_t>(::inet_addr(host)); }

bool socket_set_nonblocking(Socket s, bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(sock(s), FIONBIO, &mode) == 0;
}

int socket_connect(Socket s, std::uint32_t address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = address;
    if (::connect(sock(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return 0;
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

bool socket_pending_error(Socket s, int& error) {
    int value = 0;
    int len = sizeof value;
    if (::getsockopt(sock(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&value), &len) != 0) return false;
    error = value;
    return true;
}

long socket_send(Socket s, const void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    return ::send(sock(s), static_cast<const char*>(bytes), static_cast<int>(count), 0);
}

long socket_recv(Socket s, void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    return ::recv(sock(s), static_cast<char*>(bytes), static_cast<int>(count), 0);
}

long socket_last_error() { return static_cast<long>(::GetLastError()); }

Socket socket_listen_loopback(int port, int backlog, int& bound_port) {
    SOCKET s = not_inherited(::socket(AF_INET, SOCK_STREAM, 0));
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof sa;
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s, backlog) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        ::closesocket(s);
        return kNoSocket;
    }
    bound_port = ntohs(sa.sin_port);
    return static_cast<Socket>(s);
}

Socket socket_accept(Socket listener) {
    SOCKET s = not_inherited(::accept(sock(listener), nullptr, nullptr));
    return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s);
}

void socket_no_delay(Socket s) {
    BOOL one = TRUE;
    ::setsockopt(sock(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

}  // namespace zpos::platform
