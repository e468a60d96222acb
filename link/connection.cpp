// The link socket's connection step. The non-blocking attempt may resolve a
// host name; the blocking second attempt takes inet_addr's value only.
#include "link/connection.h"

#include <cstdio>
#include <cstring>

#include "link/link_timing.h"
#include "platform/platform.h"
#include "platform/seams.h"
#include "platform/socket.h"
#include "support/log.h"
#include "support/log_lines.h"

namespace zpos {

int link_connect_timeout_ms() {
    int stand_in = platform::seams().connect_timeout_ms;
    return stand_in > 0 ? stand_in : kConnectTimeoutMs;
}

int link_wait_ms() {
    int stand_in = platform::seams().link_wait_ms;
    return stand_in > 0 ? stand_in : kLinkWaitMs;
}

long long link_deadline() { return platform::monotonic_ms() + link_wait_ms(); }

int link_ms_left(long long deadline) {
    long long left = deadline - platform::monotonic_ms();
    return left > 0 ? static_cast<int>(left) : 0;
}

Arrival receive_within(platform::Socket s, int timeout_ms, void* out, std::size_t count, long& got) {
    bool ready = false;
    int selected = platform::socket_select_read(s, timeout_ms, ready);
    if (selected == 0) return Arrival::timed_out;
    if (selected < 0) return Arrival::wait_failed;
    if (!ready) return Arrival::not_readable;
    got = platform::socket_recv(s, out, count);
    return Arrival::received;
}

bool is_secondary_host(const char* host, std::string_view secondary) {
    return !secondary.empty() && std::string_view(host).starts_with(secondary);
}

void close_link(LinkState& link) {
    if (link.socket != platform::kNoSocket) platform::socket_close(link.socket);
    link.socket = platform::kNoSocket;
}

int connect_with_timeout(platform::Socket s, const char* host, int port, int timeout_ms) {
    std::uint32_t address = 0;
    if (!platform::socket_address(host, true, address)) return -1;
    if (!platform::socket_set_nonblocking(s, true)) return -1;

    int error = platform::socket_connect(s, address, port);
    if (error != 0 && !platform::socket_connect_pending(error)) return -1;

    bool in_read = false, in_write = false;
    if (platform::socket_select_connect(s, timeout_ms, in_read, in_write) <= 0) return -1;
    if (!in_read && !in_write) {
        std::fputs("SELECT error: sockfd not set\n", stderr);
        return -1;
    }
    int pending = 0;
    if (!platform::socket_pending_error(s, pending)) return -1;
    platform::socket_set_nonblocking(s, false);
    return pending == 0 ? 0 : -1;
}

ConnectResult connect_link(Module& module) {
    CallState& call = module.call;
    LinkState& link = module.link;
    // An approval the POS never acknowledged leaves its socket open; it would
    // leak if simply replaced.
    close_link(link);
    link.socket = platform::socket_open();

    if (is_secondary_host(call.host_addr)) {
        std::snprintf(call.host_addr, sizeof call.host_addr, "%.15s", ZPOS_PRIMARY_HOST);
        call.host_port = ZPOS_PRIMARY_PORT;
        write_log_format(log_lines::kConnectSubstitutedBuffer, log_lines::kConnectSubstituted, call.host_addr, call.host_port);
    }
    write_log_format(log_lines::kConnectInfoBuffer, log_lines::kConnectInfo, call.host_addr, call.host_port);

    int rtn = link.socket == platform::kNoSocket
                  ? -1
                  : connect_with_timeout(link.socket, call.host_addr, call.host_port, link_connect_timeout_ms());
    write_log_format(log_lines::kConnectResultBuffer, log_lines::kConnectResult, rtn);
    if (rtn == 0) {
        write_log_format(log_lines::kNonblockConnectedBuffer, log_lines::kNonblockConnected, call.host_addr, call.host_port);
        return ConnectResult::connected;
    }

    close_link(link);
    write_log_format(log_lines::kNonblockFailedBuffer, log_lines::kNonblockFailed, call.host_addr, call.host_port);

    // The second attempt always makes its own connect, to the address as
    // inet_addr gives it (all ones for a name, which cannot be connected), and
    // reports that connect's own error.
    link.socket = platform::socket_open();
    long error = link.socket == platform::kNoSocket
                     ? platform::socket_last_error()
                     : platform::socket_connect(link.socket, platform::socket_inet_addr(call.host_addr),
                                                call.host_port);
    if (error == 0) {
        write_log_format(log_lines::kBlockingConnectedBuffer, log_lines::kBlockingConnected, call.host_addr, call.host_port);
        return ConnectResult::connected;
    }
    write_log_format(log_lines::kConnectErrorBuffer, log_lines::kConnectError, call.host_addr,
                   call.host_port, error);
    close_link(link);
    return ConnectResult::no_connection;
}

}  // namespace zpos
