// zpos-host: the payment host simulator as a command. Reads its options (in
// any order; the command line's fault and reply delay override the
// scenario's), then serves on a loopback port until interrupted.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tools/host/host_sim.h"

namespace {

using namespace zpos::host;

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

struct Option {
    const char* name;
    const char* value;  // what the value is; nullptr for a flag
};

const Option kOptions[] = {
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

const Option* find_option(const std::string& name) {
    for (const Option& o : kOptions)
        if (name == o.name) return &o;
    return nullptr;
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

using Given = std::map<std::string, std::string>;

// The options as given; 0, or 2 after saying what is wrong.
int read_options(int argc, char** argv, Given& given) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const Option* o = a.rfind("--", 0) == 0 ? find_option(a.substr(2)) : nullptr;
        if (!o) return fail("unknown option " + a + " (see zpos-host --help)");
        if (given.count(o->name)) return fail(std::string("option --") + o->name + " is given twice");
        if (!o->value) {
            given[o->name] = "";
            continue;
        }
        if (i + 1 >= argc) return fail(std::string("option --") + o->name + " needs a value: " + o->value);
        given[o->name] = argv[++i];
    }
    return 0;
}

// The scenario file first, then the options that override it.
int build_scenario(Given& given, Scenario& scenario, int& port) {
    if (given.count("port")) {
        const std::string& v = given["port"];
        char* end = nullptr;
        long p = std::strtol(v.c_str(), &end, 10);
        if (v.empty() || *end != '\0' || v[0] == '-' || v[0] == '+' || p > 65535)
            return fail("option --port expects a port number from 0 to 65535, not '" + v + "'");
        port = static_cast<int>(p);
    }
    if (given.count("scenario")) {
        std::string error;
        std::vector<std::string> warnings;
        if (!load_scenario(given["scenario"], scenario, error, &warnings)) return fail("option --scenario: " + error);
        for (const std::string& w : warnings) std::fprintf(stderr, "zpos-host: %s\n", w.c_str());
    }
    if (given.count("fault") && !parse_faults(given["fault"], scenario.faults))
        return fail("option --fault expects fault names separated by commas (" + fault_names(", ") + "), not '" +
                    given["fault"] + "'");
    if (given.count("reply-delay") && !parse_delays(given["reply-delay"], scenario.reply_delays_ms))
        return fail("option --reply-delay expects milliseconds separated by commas, such as 0,0,3000, not '" +
                    given["reply-delay"] + "'");
    // Files are checked now, not at the first frame, so that nothing is lost.
    for (const char* file : {"record", "pcap"}) {
        if (!given.count(file)) continue;
        std::string why;
        if (!writable_path(given[file], why))
            return fail(std::string("option --") + file + " expects a file it can write, not '" + given[file] + "' (" +
                        why + ")");
    }
    if (given.count("record")) scenario.record_path = given["record"];
    if (given.count("pcap")) scenario.pcap_path = given["pcap"];
    if (given.count("download")) scenario.service = Scenario::Service::Download;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Given given;
    if (int status = read_options(argc, argv, given)) return status;
    if (given.count("help")) {
        print_help();
        return 0;
    }
    Scenario scenario;
    int port = 10902;
    if (int status = build_scenario(given, scenario, port)) return status;

    if (!zpos::platform::socket_layer_start()) return 1;
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
    while (!g_stop) zpos::platform::sleep_ms(100);
    sim.stop();
    zpos::platform::socket_layer_stop();
    return 0;
}
