// zpos-host's loopback sockets with BSD sockets and poll.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tools/common/sockets.h"

namespace zpos::tools {

namespace {
int fd(Socket s) { return static_cast<int>(s); }

sockaddr_in loopback(int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    return sa;
}

Socket new_socket() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return s < 0 ? kNoSocket : s;
}

// poll's result for `events`, retried when a signal cuts it short.
int poll_for(Socket s, short events, int timeout_ms, short& came) {
    pollfd p{fd(s), events, 0};
    int r;
    do r = ::poll(&p, 1, timeout_ms);
    while (r < 0 && errno == EINTR);
    came = r > 0 ? p.revents : 0;
    return r;
}
}  // namespace

Socket listen_loopback(int port, int backlog, int& bound_port) {
    Socket s = new_socket();
    if (s == kNoSocket) return kNoSocket;
    int one = 1;
    ::setsockopt(fd(s), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa = loopback(port);
    socklen_t len = sizeof sa;
    if (::bind(fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd(s), backlog) != 0 ||
        ::getsockname(fd(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        close_socket(s);
        return kNoSocket;
    }
    bound_port = ntohs(sa.sin_port);
    return s;
}

Socket accept_connection(Socket listener) {
    int s = ::accept4(fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return s < 0 ? kNoSocket : s;
}

Socket connect_loopback(int port, int timeout_ms) {
    Socket s = new_socket();
    if (s == kNoSocket) return kNoSocket;
    ::fcntl(fd(s), F_SETFL, ::fcntl(fd(s), F_GETFL) | O_NONBLOCK);
    sockaddr_in sa = loopback(port);
    short came = 0;
    int error = 0;
    socklen_t len = sizeof error;
    bool done = ::connect(fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ||
                (errno == EINPROGRESS && poll_for(s, POLLOUT, timeout_ms, came) > 0 &&
                 ::getsockopt(fd(s), SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0);
    if (done) return s;
    close_socket(s);
    return kNoSocket;
}

void close_socket(Socket s) {
    if (s != kNoSocket) ::close(fd(s));
}

void send_at_once(Socket s) {
    int one = 1;
    ::setsockopt(fd(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int wait_readable(Socket s, int timeout_ms) {
    short came = 0;
    int r = poll_for(s, POLLIN, timeout_ms, came);
    if (r <= 0) return r < 0 ? -1 : 0;
    return (came & (POLLIN | POLLERR | POLLHUP)) ? 1 : 0;
}

long send_some(Socket s, const void* bytes, std::size_t count) {
    ssize_t n;
    do n = ::send(fd(s), bytes, count, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long recv_some(Socket s, void* bytes, std::size_t count) {
    ssize_t n;
    do n = ::recv(fd(s), bytes, count, 0);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

int peer_port(Socket s) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(fd(s), reinterpret_cast<sockaddr*>(&peer), &size) != 0) return 0;
    return ntohs(peer.sin_port);
}

bool peer_closed(Socket s) {
    if (wait_readable(s, 0) != 1) return false;
    char byte = 0;
    return ::recv(fd(s), &byte, 1, MSG_PEEK) == 0;
}

}  // namespace zpos::tools
