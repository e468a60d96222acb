// One host exchange plus acknowledgement against the in-process simulator,
// next to a bare client making the same round trips with the same bytes: the
// difference is what the link's own work (logging, masking, waits) costs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "entry/module_state.h"
#include "link/acknowledge.h"
#include "link/exchange.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "tools/host/host_sim.h"

namespace {

std::string request_message() {
    std::string body = std::string("POS10\x1c") + "1234567890\x1c" + "9410123456789012=2512\x1c" + "00\x1c" +
                       "00001000\x1c" + "\x03";
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04zu", body.size() + 8);
    std::string msg = std::string("\x02IS") + digits + body;
    unsigned char x = 0;
    for (std::size_t i = 1; i < msg.size(); ++i) x ^= static_cast<unsigned char>(msg[i]);
    return msg + static_cast<char>(x);
}

// A throw-away application directory for the library's log and settings,
// removed again after the run.
class TempAppDir {
public:
    TempAppDir() {
        if (!mkdtemp(dir_)) return;
        std::string exe = std::string(dir_) + "/pos.exe";
        zpos::platform::set_executable_path_override(exe.c_str());
        zpos::refresh_module_paths();
    }
    ~TempAppDir() {
        zpos::platform::set_executable_path_override(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

private:
    char dir_[32] = "/tmp/zpos-bench-XXXXXX";
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

void BM_LinkExchangeAndAck(benchmark::State& state) {
    TempAppDir app_dir;
    zpos::host::HostSim sim{zpos::host::Scenario{}};
    if (!sim.start(0)) {
        state.SkipWithError("no loopback port");
        return;
    }
    std::snprintf(zpos::g_module.host_addr, sizeof zpos::g_module.host_addr, "127.0.0.1");
    zpos::g_module.host_port = sim.port();
    zpos::g_module.route_mode = zpos::kRoutePrimary;
    std::string msg = request_message();
    char response[451] = {};
    for (auto _ : state) {
        int r = zpos::host_exchange(response, msg.data(), "", 0, static_cast<int>(msg.size()), 2);
        int a = zpos::acknowledge();
        if (r != 1 || a != 1) {
            state.SkipWithError("round trip failed");
            break;
        }
    }
    sim.stop();
}

void BM_BareClientSameRoundTrips(benchmark::State& state) {
    zpos::host::HostSim sim{zpos::host::Scenario{}};
    if (!sim.start(0)) {
        state.SkipWithError("no loopback port");
        return;
    }
    std::uint32_t address = 0;
    zpos::platform::socket_address("127.0.0.1", false, address);
    std::string msg = request_message();
    unsigned char frame[zpos::kRequestFrameSize];
    int frame_len = zpos::build_request_frame(frame, sizeof frame, msg.data(), static_cast<int>(msg.size()), "", 0);
    const char ack[3] = {0x00, 0x01, 0x06};
    char buf[3000];
    for (auto _ : state) {
        zpos::platform::Socket s = zpos::platform::socket_open();
        bool ok = zpos::platform::socket_connect(s, address, sim.port()) == 0 && read_exact(s, buf, 3) &&
                  zpos::platform::socket_send(s, frame, static_cast<std::size_t>(frame_len)) == frame_len &&
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

}  // namespace

BENCHMARK(BM_LinkExchangeAndAck)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_BareClientSameRoundTrips)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK_MAIN();
