// POSIX side of the link socket: BSD sockets over IPv4. Sends never raise
// SIGPIPE; a closed peer shows as a failed send.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/socket.h"

namespace zpos::platform {

namespace {
int fd(Socket s) { return static_cast<int>(s); }

timeval to_timeval(int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}
}  // namespace

Socket socket_open() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    return s < 0 ? kNoSocket : s;
}

void socket_close(Socket s) {
    if (s != kNoSocket) ::close(fd(s));
}

bool socket_address(const char* host, bool lookup, std::uint32_t& address) {
    in_addr_t a = ::inet_addr(host);
    if (a != INADDR_NONE) {
        address = a;
        return true;
    }
    if (!lookup) return false;
    hostent* he = ::gethostbyname(host);
    if (!he || he->h_addrtype != AF_INET || !he->h_addr_list || !he->h_addr_list[0]) return false;
    std::memcpy(&address, he->h_addr_list[0], 4);
    return true;
}

bool socket_set_nonblocking(Socket s, bool on) {
    int flags = ::fcntl(fd(s), F_GETFL, 0);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd(s), F_SETFL, flags) == 0;
}

int socket_connect(Socket s, std::uint32_t address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = address;
    if (::connect(fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return 0;
    return errno ? errno : -1;
}

bool socket_connect_pending(int error) {
    return error == EINPROGRESS || error == EWOULDBLOCK || error == EAGAIN;
}

int socket_select_connect(Socket s, int timeout_ms, bool& in_read, bool& in_write) {
    in_read = in_write = false;
    if (s == kNoSocket || fd(s) >= FD_SETSIZE) return -1;
    fd_set rd, wr;
    FD_ZERO(&rd);
    FD_ZERO(&wr);
    FD_SET(fd(s), &rd);
    FD_SET(fd(s), &wr);
    timeval tv = to_timeval(timeout_ms);
    int r = ::select(fd(s) + 1, &rd, &wr, nullptr, timeout_ms > 0 ? &tv : nullptr);
    if (r > 0) {
        in_read = FD_ISSET(fd(s), &rd);
        in_write = FD_ISSET(fd(s), &wr);
    }
    return r;
}

int socket_select_read(Socket s, int timeout_ms, bool& in_read) {
    in_read = false;
    if (s == kNoSocket || fd(s) >= FD_SETSIZE) return -1;
    fd_set rd;
    FD_ZERO(&rd);
    FD_SET(fd(s), &rd);
    timeval tv = to_timeval(timeout_ms);
    int r = ::select(fd(s) + 1, &rd, nullptr, nullptr, &tv);
    if (r > 0) in_read = FD_ISSET(fd(s), &rd);
    return r;
}

bool socket_pending_error(Socket s, int& error) {
    int value = 0;
    socklen_t len = sizeof value;
    if (::getsockopt(fd(s), SOL_SOCKET, SO_ERROR, &value, &len) != 0) return false;
    error = value;
    return true;
}

long socket_send(Socket s, const void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    return static_cast<long>(::send(fd(s), bytes, count, MSG_NOSIGNAL));
}

long socket_recv(Socket s, void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    return static_cast<long>(::recv(fd(s), bytes, count, 0));
}

long socket_last_error() { return errno; }

Socket socket_listen_loopback(int port, int backlog, int& bound_port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return kNoSocket;
    int one = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s, backlog) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        ::close(s);
        return kNoSocket;
    }
    bound_port = ntohs(sa.sin_port);
    return s;
}

Socket socket_accept(Socket listener) {
    int s = ::accept(fd(listener), nullptr, nullptr);
    return s < 0 ? kNoSocket : s;
}

void socket_no_delay(Socket s) {
    int one = 1;
    ::setsockopt(fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

}  // namespace zpos::platform
