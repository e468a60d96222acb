// zpos-host: the payment host simulator as a command. Reads its options (in
// any order; the command line's fault and reply delay override the
// scenario's), then serves on a loopback port until interrupted.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tools/common/options.h"
#include "tools/host/host_sim.h"

namespace {

using namespace zpos::host;
namespace tools = zpos::tools;

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

const tools::Option kOptions[] = {
    {"port", "N, a port number from 0 to 65535 (0: a free one)"},
    {"scenario", "FILE, a scenario file"},
    {"fault", "NAME[,NAME...], fault names separated by commas (see --help)"},
    {"reply-delay", "MS[,MS...], milliseconds separated by commas"},
    {"record", "FILE, where frames and requests are appended"},
    {"pcap", "FILE, where the capture is written"},
    {"download", nullptr},
    {"help", nullptr},
};

void print_help() {
    std::printf(
        "usage: zpos-host [--port N] [--scenario FILE] [--fault NAME[,NAME...]] [--reply-delay MS[,MS...]]\n"
        "                 [--record FILE] [--pcap FILE] [--download]\n"
        "\n"
        "The payment host simulator, on 127.0.0.1 only, serving one connection at a time\n"
        "until interrupted.\n"
        "\n"
        "  --port N             port on 127.0.0.1; 0 takes a free one (default 10902)\n"
        "  --scenario FILE      answers, names, numbers and faults (default: approve everything)\n"
        "  --fault LIST         the fault of the first connection, the second, ...; the last one\n"
        "                       holds for every later connection (default none)\n"
        "  --reply-delay LIST   milliseconds each connection holds its reply back, in the same\n"
        "                       way (default 0)\n"
        "  --record FILE        append every frame and every decoded request to FILE\n"
        "  --pcap FILE          write every frame of every connection to FILE (pcapng, loopback)\n"
        "  --download           a download server instead of the host link\n"
        "\n"
        "--fault and --reply-delay override the scenario's. Faults:\n  %s\n"
        "\n"
        "Example: no ENQ on the first connection, silence after the request on the second,\n"
        "an approval after 3 seconds on the third and later ones:\n"
        "  zpos-host --fault no-enq,silent-after-request,none --reply-delay 0,0,3000\n",
        fault_names(" ").c_str());
}

int fail(const std::string& text) {
    std::fprintf(stderr, "zpos-host: %s\n", text.c_str());
    return 2;
}

std::string list_text(const std::vector<int>& delays) {
    std::string out;
    for (int d : delays) out += (out.empty() ? "" : ",") + std::to_string(d);
    return out;
}

std::string list_text(const std::vector<Fault>& faults) {
    std::string out;
    for (Fault f : faults) out += std::string(out.empty() ? "" : ",") + fault_name(f);
    return out;
}

// The scenario file first, then the options that override it.
int build_scenario(const tools::Arguments& given, Scenario& scenario, int& port) {
    auto value = [&](const char* name) { return given.get(name, ""); };
    if (given.has("port")) {
        long p = 0;
        if (!tools::whole_number(value("port"), 0, 65535, p))
            return fail("option --port expects a port number from 0 to 65535, not '" + value("port") + "'");
        port = static_cast<int>(p);
    }
    if (given.has("scenario")) {
        std::string error;
        std::vector<std::string> warnings;
        if (!load_scenario(value("scenario"), scenario, error, &warnings)) return fail("option --scenario: " + error);
        for (const std::string& w : warnings) std::fprintf(stderr, "zpos-host: %s\n", w.c_str());
    }
    if (given.has("fault") && !parse_faults(value("fault"), scenario.faults))
        return fail("option --fault expects fault names separated by commas (" + fault_names(", ") + "), not '" +
                    value("fault") + "'");
    if (given.has("reply-delay") && !parse_delays(value("reply-delay"), scenario.reply_delays_ms))
        return fail("option --reply-delay expects milliseconds separated by commas, such as 0,0,3000, not '" +
                    value("reply-delay") + "'");
    // Files are checked now, not at the first frame, so that nothing is lost.
    for (const char* file : {"record", "pcap"}) {
        if (!given.has(file)) continue;
        std::string why;
        if (!writable_path(value(file), why))
            return fail(std::string("option --") + file + " expects a file it can write, not '" + value(file) + "' (" +
                        why + ")");
    }
    if (given.has("record")) scenario.record_path = value("record");
    if (given.has("pcap")) scenario.pcap_path = value("pcap");
    if (given.has("download")) scenario.service = Scenario::Service::Download;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    tools::Arguments given;
    if (tools::OptionError e = tools::read_options({kOptions}, words, given))
        return fail(tools::option_error_text(e, nullptr, " (see zpos-host --help)"));
    if (given.has("help")) {
        print_help();
        return 0;
    }
    Scenario scenario;
    int port = 10902;
    if (int status = build_scenario(given, scenario, port)) return status;

    HostSim sim(scenario);
    if (!sim.start(port)) {
        std::fprintf(stderr, "zpos-host: cannot listen on 127.0.0.1:%d%s\n", port,
                     scenario.pcap_path.empty() ? "" : (" or write " + scenario.pcap_path).c_str());
        return 1;
    }
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::printf("zpos-host listening on 127.0.0.1:%d (%s, fault %s, reply delay %s ms)\n", sim.port(),
                scenario.service == Scenario::Service::Download ? "download" : "link",
                list_text(scenario.faults).c_str(), list_text(scenario.reply_delays_ms).c_str());
    std::fflush(stdout);
    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sim.stop();
    return 0;
}
