// The host link's reads fed from a loopback peer: the ENQ read, the reply
// length and body, ENQ retries and NAKs, then the EOT wait of the automatic
// acknowledgement. The peer closes its end after writing, so no input can hang.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>

#include "entry/call.h"
#include "fuzz/fuzz_input.h"
#include "link/acknowledge.h"
#include "link/connection.h"
#include "link/exchange.h"
#include "reply/parser.h"
#include "link/link_timing.h"
#include "platform/seams.h"
#include "platform/socket.h"
#include "support/message_kinds.h"
#include "support/records.h"

namespace {

int g_listener = -1;
int g_port = 0;

// The host's side: accept, write the input, close the write half, then read
// (and drop) what the link sends until the link closes its socket.
void serve(const std::uint8_t* data, std::size_t size) {
    int peer = accept(g_listener, nullptr, nullptr);
    if (peer < 0) return;
    std::size_t done = 0;
    while (done < size) {
        ssize_t w = send(peer, data + done, size - done, MSG_NOSIGNAL);
        if (w <= 0) break;
        done += static_cast<std::size_t>(w);
    }
    shutdown(peer, SHUT_WR);
    char drop[512];
    while (recv(peer, drop, sizeof drop, 0) > 0) {
    }
    close(peer);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zpos::fuzz::app_dir();
    g_listener = static_cast<int>(zpos::platform::socket_listen_loopback(0, 4, g_port));
    if (g_listener < 0) __builtin_trap();
    zpos::platform::seams().connect_timeout_ms = 1000;
    zpos::platform::seams().link_wait_ms = 1000;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // First byte: the message kind and whether the EOT wait follows.
    int kind = 1, then_acknowledge = 0;
    if (size > 0) {
        static constexpr int kKinds[] = {zpos::kind::kCheque,      zpos::kind::kCardApproval, zpos::kind::kCardCancel,
                                         zpos::kind::kCashApproval, zpos::kind::k70Cancel,     zpos::kind::kPointsFirst};
        kind = kKinds[(data[0] & 0x7F) % (sizeof kKinds / sizeof kKinds[0])];
        then_acknowledge = data[0] >> 7;
        ++data;
        --size;
    }
    std::snprintf(zpos::g_module.call.host_addr, sizeof zpos::g_module.call.host_addr, "127.0.0.1");
    zpos::g_module.call.host_port = g_port;

    std::thread host(serve, data, size);
    char response[zpos::resp::kSize];
    std::memset(response, '.', sizeof response);
    const char framed[] = "\x02request\x03";
    zpos::HostReply reply = zpos::host_exchange(zpos::g_module, framed, "", 0, sizeof framed - 1);
    zpos::ExchangeResult r = reply.result;
    if (r == zpos::ExchangeResult::no_connection) __builtin_trap();  // the loopback peer must always be reachable
    if (r == zpos::ExchangeResult::replied)
        zpos::parse_reply(response, reply.body.data(), static_cast<int>(reply.body.size()), kind);
    if (r == zpos::ExchangeResult::replied && then_acknowledge)
        static_cast<void>(zpos::auto_acknowledge(zpos::g_module));  // any way the EOT wait ends will do
    zpos::close_link(zpos::g_module.link);
    host.join();
    return 0;
}
