// POSIX side of the link socket: BSD sockets over IPv4, the calls that differ
// from Windows (platform/socket.cpp has the rest). Sends never raise
// SIGPIPE; a closed peer shows as a failed send. The waits use poll, which
// reports what select would (an error or hang-up counts as readable, and as
// writable while connecting) without select's limit on descriptor numbers: a
// POS may hold more than FD_SETSIZE files.
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_socket.h"

namespace zpos::platform {

namespace {
int fd(Socket s) { return static_cast<int>(s); }

constexpr short kGone = POLLERR | POLLHUP;

long now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

// Polls `s` for `events` (timeout_ms below 0: no limit); poll's result, with
// the events that came. A signal that interrupts the wait does not end it:
// the wait goes on for the time that is left.
int wait_for(Socket s, short events, int timeout_ms, short& came) {
    came = 0;
    if (s == kNoSocket) return -1;
    const long end = now_ms() + timeout_ms;
    pollfd p{fd(s), events, 0};
    int r;
    while ((r = ::poll(&p, 1, timeout_ms)) < 0 && errno == EINTR) {
        if (timeout_ms < 0) continue;
        long left = end - now_ms();
        timeout_ms = left > 0 ? static_cast<int>(left) : 0;
    }
    if (r > 0) came = p.revents;
    return r;
}
}  // namespace

// Every socket is close-on-exec: a program the POS starts while a link is open
// (a receipt printer between Zelta_Send and Zelta_Ack) must not hold the host
// connection open after the library has closed it.
Socket system::socket_new() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return s < 0 ? kNoSocket : s;
}

// Linux retries an unanswered SYN six times by default, which holds a
// blocking connect for over two minutes; three retries give up after 15 to
// 20 seconds (kernels that first retry a second apart add those retries) with
// the kernel's own ETIMEDOUT, close to the Windows stack's wait.
void system::bound_connect_wait(Socket s) {
#ifdef TCP_SYNCNT
    int retries = 3;
    ::setsockopt(fd(s), IPPROTO_TCP, TCP_SYNCNT, &retries, sizeof retries);
#else
    static_cast<void>(s);
#endif
}

void system::prepare_listener(Socket s) {
    int one = 1;
    ::setsockopt(fd(s), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
}

void socket_close(Socket s) {
    if (s != kNoSocket) ::close(fd(s));
}

bool socket_set_nonblocking(Socket s, bool on) {
    int value = on ? 1 : 0;
    return ::ioctl(fd(s), FIONBIO, &value) == 0;
}

int system::connect_error(Socket s) {
    int error = errno ? errno : -1;
    if (error != EINTR) return error;
    // A signal cut a blocking connect short; the handshake goes on, so wait
    // for its end as the call would have.
    short came = 0;
    if (wait_for(s, POLLOUT, -1, came) <= 0) return errno ? errno : -1;
    int pending = 0;
    return socket_pending_error(s, pending) ? pending : (errno ? errno : -1);
}

bool socket_connect_pending(int error) {
    return error == EINPROGRESS || error == EWOULDBLOCK || error == EAGAIN;
}

int socket_select_connect(Socket s, int timeout_ms, bool& in_read, bool& in_write) {
    short came = 0;
    int r = wait_for(s, POLLIN | POLLOUT, timeout_ms > 0 ? timeout_ms : -1, came);
    in_read = (came & (POLLIN | kGone)) != 0;
    in_write = (came & (POLLOUT | kGone)) != 0;
    return r;
}

int socket_select_read(Socket s, int timeout_ms, bool& in_read) {
    short came = 0;
    int r = wait_for(s, POLLIN, timeout_ms, came);
    in_read = (came & (POLLIN | kGone)) != 0;
    return r;
}

long socket_send(Socket s, const void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    ssize_t n;
    do n = ::send(fd(s), bytes, count, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long socket_recv(Socket s, void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    ssize_t n;
    do n = ::recv(fd(s), bytes, count, 0);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long socket_recv_now(Socket s, void* bytes, std::size_t count) {
    if (s == kNoSocket) return -1;
    ssize_t n;
    do n = ::recv(fd(s), bytes, count, MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kNothingYet;
    return static_cast<long>(n);
}

long socket_last_error() { return errno; }

Socket socket_accept(Socket listener) {
    int s = ::accept4(fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return s < 0 ? kNoSocket : s;
}

}  // namespace zpos::platform
