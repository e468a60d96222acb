// A whole card approval closed by Zelta_Ack against the in-process host
// simulator, next to a bare client that makes the same round trips with the
// same bytes over the same loopback: the difference is what the library's own
// work costs (request building, settings and security store, logging,
// masking, the waits' system calls). The host exchange and acknowledgement on
// their own are measured too, with a message built by hand.
//
// ZPOS_BENCH_ITERATIONS=N runs every benchmark exactly N times instead of for
// a second, so that a system call trace can be divided by N.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "entry/call.h"
#include "link/acknowledge.h"
#include "link/exchange.h"
#include "reply/parser.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "support/message_kinds.h"
#include "support/route.h"
#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace {

using zpos::test::Request;

// A throw-away application directory for the library's log, settings and
// security store, with the sample card's record in the store.
class BenchDir : public zpos::test::AppDir {
public:
    bool ok() const { return ok_; }

private:
    zpos::test::StoreAt store_{file("registry.dat")};
    bool ok_ = zpos::test::fill_card_store();
};

bool read_exact(zpos::platform::Socket s, char* out, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        long r = zpos::platform::socket_recv(s, out + got, n - got);
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

// What the bare client replays: one request frame exactly as the library sent
// it for a card approval (security block included).
std::string library_request_frame() {
    BenchDir app_dir;
    zpos::host::HostSim sim{zpos::host::Scenario{}};
    if (!app_dir.ok() || !sim.start(0)) return {};
    Request r = zpos::test::sample_card_request("0200", "10");
    std::array<char, ZPOSAPP_RESPONSE_SIZE> response{};
    int sent = Zelta_Send("127.0.0.1", sim.port(), r.data(), response.data());
    int acked = Zelta_Ack();
    sim.stop();
    if (sent != 1 || acked != 1) return {};
    for (const auto& f : sim.frames())
        if (f.from_client && f.bytes.size() > 3) return f.bytes;
    return {};
}

void BM_CardApprovalAndAck(benchmark::State& state) {
    BenchDir app_dir;
    zpos::host::HostSim sim{zpos::host::Scenario{}};
    if (!app_dir.ok() || !sim.start(0)) {
        state.SkipWithError("no application directory or loopback port");
        return;
    }
    Request r = zpos::test::sample_card_request("0200", "10");
    std::array<char, ZPOSAPP_RESPONSE_SIZE> response{};
    for (auto _ : state) {
        int sent = Zelta_Send("127.0.0.1", sim.port(), r.data(), response.data());
        if (sent != 1 || zpos::test::field(response.data(), zpos::resp::resp_code) != "0000" || Zelta_Ack() != 1) {
            state.SkipWithError("approval failed");
            break;
        }
    }
    sim.stop();
}

void BM_BareClientSameRoundTrips(benchmark::State& state) {
    const std::string frame = library_request_frame();
    zpos::host::HostSim sim{zpos::host::Scenario{}};
    if (frame.empty() || !sim.start(0)) {
        state.SkipWithError("no request frame or loopback port");
        return;
    }
    std::uint32_t address = 0;
    zpos::platform::socket_address("127.0.0.1", false, address);
    const char ack[3] = {0x00, 0x01, 0x06};
    char buf[3000];
    for (auto _ : state) {
        zpos::platform::Socket s = zpos::platform::socket_open();
        bool ok = zpos::platform::socket_connect(s, address, sim.port()) == 0 && read_exact(s, buf, 3) &&
                  zpos::platform::socket_send(s, frame.data(), frame.size()) == static_cast<long>(frame.size()) &&
                  read_exact(s, buf, 2);
        std::size_t n = ok ? ((static_cast<unsigned char>(buf[0]) << 8) | static_cast<unsigned char>(buf[1])) : 0;
        ok = ok && n <= sizeof buf && read_exact(s, buf, n) && zpos::platform::socket_send(s, ack, 3) == 3 &&
             read_exact(s, buf, 3) && buf[2] == 0x04;
        zpos::platform::socket_close(s);
        if (!ok) {
            state.SkipWithError("round trip failed");
            break;
        }
    }
    sim.stop();
}

void BM_LinkExchangeAndAck(benchmark::State& state) {
    BenchDir app_dir;
    zpos::host::HostSim sim{zpos::host::Scenario{}};
    if (!sim.start(0)) {
        state.SkipWithError("no loopback port");
        return;
    }
    std::snprintf(zpos::g_module.call.host_addr, sizeof zpos::g_module.call.host_addr, "127.0.0.1");
    zpos::g_module.call.host_port = sim.port();
    zpos::route_primary_for_call(zpos::g_module);
    std::string msg = zpos::test::sample_transaction_message();
    char response[451] = {};
    for (auto _ : state) {
        zpos::HostReply reply = zpos::host_exchange(zpos::g_module, msg.data(), "", 0, static_cast<int>(msg.size()));
        zpos::ExchangeResult r = reply.result;
        if (r == zpos::ExchangeResult::replied)
            zpos::parse_reply(response, reply.body.data(), static_cast<int>(reply.body.size()), zpos::kind::kCardApproval);
        zpos::AckResult a = zpos::acknowledge(zpos::g_module);
        if (r != zpos::ExchangeResult::replied || a != zpos::AckResult::closed) {
            state.SkipWithError("round trip failed");
            break;
        }
    }
    sim.stop();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* fixed = std::getenv("ZPOS_BENCH_ITERATIONS");
    for (auto [name, fn] : {std::pair{"BM_CardApprovalAndAck", &BM_CardApprovalAndAck},
                            std::pair{"BM_BareClientSameRoundTrips", &BM_BareClientSameRoundTrips},
                            std::pair{"BM_LinkExchangeAndAck", &BM_LinkExchangeAndAck}}) {
        benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMicrosecond);
        if (fixed && std::atoi(fixed) > 0)
            b->Iterations(std::atoi(fixed));
        else
            b->MinTime(1.0);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
