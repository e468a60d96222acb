// The part of the link socket that is the same on both systems: addresses,
// the connect, the pending error, the listener, TCP_NODELAY. Each system's own calls are
// in platform/posix/socket_posix.cpp and platform/windows/socket_windows.cpp.
#include "platform/socket.h"

#include <cstring>

#include "platform/system_socket.h"

namespace zpos::platform {

using system::native;

Socket socket_open() {
    Socket s = system::socket_new();
    if (s != kNoSocket) system::bound_connect_wait(s);
    return s;
}

bool socket_address(const char* host, bool lookup, std::uint32_t& address) {
    std::uint32_t a = socket_inet_addr(host);
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

std::uint32_t socket_inet_addr(const char* host) { return static_cast<std::uint32_t>(::inet_addr(host)); }

int socket_connect(Socket s, std::uint32_t address, int port) {
    sockaddr_in sa = system::ipv4(address, port);
    if (::connect(native(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return 0;
    return system::connect_error(s);
}

bool socket_pending_error(Socket s, int& error) {
    int value = 0;
    system::AddressLength len = sizeof value;
    if (::getsockopt(native(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&value), &len) != 0) return false;
    error = value;
    return true;
}

Socket socket_listen_loopback(int port, int backlog, int& bound_port) {
    Socket s = system::socket_new();
    if (s == kNoSocket) return kNoSocket;
    system::prepare_listener(s);
    sockaddr_in sa = system::ipv4(htonl(INADDR_LOOPBACK), port);
    system::AddressLength len = sizeof sa;
    if (::bind(native(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(native(s), backlog) != 0 ||
        ::getsockname(native(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        socket_close(s);
        return kNoSocket;
    }
    bound_port = ntohs(sa.sin_port);
    return s;
}

void socket_no_delay(Socket s) {
    int one = 1;
    ::setsockopt(native(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

}  // namespace zpos::platform
