// zpos-host: the payment host simulator as a command. Serves one scenario on a
// loopback port until interrupted.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tools/host/host_sim.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

int usage() {
    std::fprintf(stderr,
                 "usage: zpos-host [--port N] [--scenario FILE] [--fault NAME] [--record FILE] [--download]\n"
                 "Binds 127.0.0.1 only. Faults: none no-enq short-enq wrong-third-byte enq-with-extra\n"
                 "silent-after-request nak-reply short-frame repeat-enq short-body stalled-body\n"
                 "trickle-body oversize-length zero-length no-eot eot-in-fifth frames-without-eot short-eot slow-accept\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    zpos::host::Scenario scenario;
    int port = 10902;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool has_value = i + 1 < argc;
        if (a == "--port" && has_value) {
            port = std::atoi(argv[++i]);
        } else if (a == "--scenario" && has_value) {
            std::string error;
            if (!zpos::host::load_scenario(argv[++i], scenario, error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
        } else if (a == "--fault" && has_value) {
            if (!zpos::host::fault_from_name(argv[++i], scenario.fault)) return usage();
        } else if (a == "--record" && has_value) {
            scenario.record_path = argv[++i];
        } else if (a == "--download") {
            scenario.service = zpos::host::Scenario::Service::Download;
        } else {
            return usage();
        }
    }
    if (!zpos::platform::socket_layer_start()) return 1;
    zpos::host::HostSim sim(scenario);
    if (!sim.start(port)) {
        std::fprintf(stderr, "zpos-host: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::printf("zpos-host listening on 127.0.0.1:%d (%s, fault %s)\n", sim.port(),
                scenario.service == zpos::host::Scenario::Service::Download ? "download" : "link",
                zpos::host::fault_name(scenario.fault));
    std::fflush(stdout);
    while (!g_stop) zpos::platform::sleep_ms(100);
    sim.stop();
    zpos::platform::socket_layer_stop();
    return 0;
}
