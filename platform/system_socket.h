// The system's socket headers and the few names that differ between them,
// for the socket code written once (platform/socket.cpp) and each system's
// own calls. Only platform/ includes this.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

#include <cstdint>

#include "platform/socket.h"

namespace zpos::platform::system {

#ifdef _WIN32
using NativeSocket = SOCKET;
using AddressLength = int;
#else
using NativeSocket = int;
using AddressLength = socklen_t;
#endif

inline NativeSocket native(Socket s) { return static_cast<NativeSocket>(s); }

// A new TCP stream socket that no child process inherits, or kNoSocket.
Socket socket_new();
// Bounds how long a blocking connect to a host that never answers waits, to
// about what the Windows stack waits (some 20 seconds) on every system.
void bound_connect_wait(Socket s);
// What a listener needs on this system before it binds.
void prepare_listener(Socket s);
// The error of a connect() that did not succeed at once.
int connect_error(Socket s);

// An IPv4 address (network byte order) and port as the socket calls take them.
inline sockaddr_in ipv4(std::uint32_t address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = address;
    return sa;
}

}  // namespace zpos::platform::system
