// zpos, the command-line POS: builds request records from named options, calls
// the library's exports as a POS does, and prints the response field by field.
// `zpos demo` runs a whole day's worth of transactions against the host
// simulator in a temporary application directory.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "entry/records.h"
#include "tools/host/host_sim.h"
#include "tools/zpos/record_view.h"
#include "zposapp.h"

namespace fs = std::filesystem;
using namespace zpos;

namespace {

using Options = std::map<std::string, std::string>;

struct Command {
    const char* name;
    const char* usage;
    std::vector<std::string> options;  // accepted --names
};

const Command kCommands[] = {
    {"demo", "zpos demo [--keep]\n  Card approval and Zelta_Ack, a decline, cash, points and a download\n"
             "  against the built-in host simulator on loopback.", {"keep"}},
    {"send", "zpos send --host ADDR --port N --kind 10|21|30|70|90|KT|F1|F2|20 [--type 0200|0420]\n"
             "          [--track TRACK2] [--keyed] [--amount N] [--months MM] [--org-auth N] [--org-date YYMMDD]\n"
             "          [--term-id ID] [--raw FILE]",
     {"host", "port", "kind", "type", "track", "keyed", "amount", "months", "org-auth", "org-date", "term-id", "raw"}},
    {"points", "zpos points --host ADDR --port N --sub 01|02|03|11|12 [--media 01..04] [--track TRACK2]\n"
               "            [--amount N] [--org-auth N] [--org-date YYMMDD] [--term-id ID] [--raw FILE]",
     {"host", "port", "sub", "media", "track", "amount", "org-auth", "org-date", "term-id", "raw"}},
    {"ack", "zpos ack\n  Confirms the last approval (in this process).", {}},
    {"download", "zpos download --host ADDR --port N --request TEXT", {"host", "port", "request"}},
    {"decode", "zpos decode FILE\n  Decodes a saved 240-byte request or 450-byte response record.", {}},
};

int fail(const char* text, const std::string& detail = "") {
    std::fprintf(stderr, "zpos: %s%s\n", text, detail.c_str());
    return 2;
}

const Command* find_command(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

bool parse_options(const Command& c, int argc, char** argv, int first, Options& out, std::vector<std::string>& args) {
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            args.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        bool known = false;
        for (const std::string& o : c.options) known = known || o == name;
        if (!known) {
            fail("unknown option --", name + " for '" + c.name + "' (see zpos " + c.name + " --help)");
            return false;
        }
        bool is_flag = name == "keyed" || name == "keep";
        if (is_flag) {
            out[name] = "1";
        } else if (i + 1 >= argc) {
            fail("option needs a value: --", name);
            return false;
        } else {
            out[name] = argv[++i];
        }
    }
    return true;
}

bool number_option(const Options& o, const char* name, long fallback, long max, long& value) {
    auto it = o.find(name);
    if (it == o.end()) {
        value = fallback;
        return true;
    }
    char* end = nullptr;
    value = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end != '\0' || value < 0 || value > max) {
        fail("option --", std::string(name) + " expects a whole number from 0 to " + std::to_string(max) +
                              ", not '" + it->second + "'");
        return false;
    }
    return true;
}

std::string opt(const Options& o, const char* name, const char* fallback) {
    auto it = o.find(name);
    return it == o.end() ? fallback : it->second;
}

struct Record {
    std::array<char, req::kSize> bytes;
    Record() { bytes.fill(' '); }
    void set(Field f, const std::string& text) {
        std::memcpy(bytes.data() + f.offset, text.data(), text.size() < f.width ? text.size() : f.width);
    }
    void set_number(Field f, long value) {
        char text[16];
        std::snprintf(text, sizeof text, "%0*ld", static_cast<int>(f.width), value);
        set(f, text);
    }
};

Record card_request(const std::string& type, const std::string& kind, const std::string& track, bool keyed,
                    long amount, long months, const std::string& term_id) {
    Record r;
    r.set(req::rec_len, "0240");
    r.set(req::msg_type, type);
    r.set(req::tran_kind, kind);
    r.set(req::term_id, term_id);
    r.set(req::entry_mode, keyed ? "@" : "S");
    r.set(req::track2, track);
    r.set_number(req::install_months, months);
    r.set_number(req::amt_extra1, 0);
    r.set_number(req::amt_extra2, 0);
    r.set_number(req::tran_amt, amount);
    return r;
}

Record points_request(const std::string& sub, const std::string& media, const std::string& track, long amount,
                      const std::string& term_id) {
    Record r;
    r.set(req::rec_len, "0240");
    r.set(req::msg_type, sub == "11" || sub == "12" ? "0420" : "0200");
    r.set(req::tran_kind, "40");
    r.set(req::term_id, term_id);
    r.set(req::pt_media, media);
    r.set(req::pt_sub, sub);
    r.set(req::pt_track2, track);
    r.set_number(req::pt_amt, amount);
    return r;
}

void show(const char* title, const Record& request, const char* response, int result) {
    std::printf("\n== %s\n-- request\n", title);
    cli::print_request(stdout, request.bytes.data());
    std::printf("-- response\n");
    cli::print_response(stdout, response);
    std::printf("-- result %d: %s\n", result, cli::result_meaning(result));
}

bool save_raw(const Options& o, const char* response) {
    auto it = o.find("raw");
    if (it == o.end()) return true;
    std::FILE* f = std::fopen(it->second.c_str(), "wb");
    if (!f) return fail("cannot write --raw file ", it->second) == 0;
    std::fwrite(response, 1, resp::kSize, f);
    std::fclose(f);
    return true;
}

int run_send(const Options& o, bool points) {
    long port, amount, months;
    if (!o.count("host") || !o.count("port")) return fail("--host and --port are required");
    if (!number_option(o, "port", 0, 65535, port) || !number_option(o, "amount", 1004, 999999999, amount) ||
        !number_option(o, "months", 0, 99, months))
        return 2;
    std::string term_id = opt(o, "term-id", "1200000001");
    Record r;
    if (points) {
        std::string sub = opt(o, "sub", "01");
        if (sub != "01" && sub != "02" && sub != "03" && sub != "11" && sub != "12")
            return fail("option --sub expects 01, 02, 03, 11 or 12, not ", sub);
        r = points_request(sub, opt(o, "media", "01"), opt(o, "track", "9400001234567890=2812"), amount, term_id);
    } else {
        if (!o.count("kind")) return fail("--kind is required");
        r = card_request(opt(o, "type", "0200"), opt(o, "kind", "10"), opt(o, "track", "9410123456789012=2812101"),
                         o.count("keyed") > 0, amount, months, term_id);
    }
    r.set(req::org_auth_no, opt(o, "org-auth", ""));
    r.set(req::org_auth_date, opt(o, "org-date", ""));
    std::array<char, resp::kSize> response{};
    std::string host = opt(o, "host", "");
    int result = points ? Zelta_OKCashbag(host.c_str(), static_cast<int>(port), r.bytes.data(), response.data())
                        : Zelta_Send(host.c_str(), static_cast<int>(port), r.bytes.data(), response.data());
    show(points ? "points" : "transaction", r, response.data(), result);
    if (!save_raw(o, response.data())) return 2;
    return result >= 0 ? 0 : 1;
}

int run_download(const Options& o) {
    long port;
    if (!o.count("host") || !o.count("port") || !o.count("request"))
        return fail("--host, --port and --request are required");
    if (!number_option(o, "port", 0, 65535, port)) return 2;
    std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer{};
    int result = Zelta_download(opt(o, "host", "").c_str(), static_cast<int>(port), opt(o, "request", "").c_str(),
                                answer.data());
    std::printf("result %d: %s\nanswer [%s]\n", result, cli::result_meaning(result), answer.data());
    return result > 0 ? 0 : 1;
}

int run_decode(const std::vector<std::string>& args) {
    if (args.size() != 1) return fail("decode expects one FILE");
    std::FILE* f = std::fopen(args[0].c_str(), "rb");
    if (!f) return fail("cannot read ", args[0]);
    std::array<char, 1024> bytes{};
    std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (n == req::kSize) {
        cli::print_request(stdout, bytes.data());
    } else if (n == resp::kSize) {
        cli::print_response(stdout, bytes.data());
    } else {
        return fail("expected a 240-byte request or a 450-byte response, got bytes: ", std::to_string(n));
    }
    return 0;
}

// The library's application directory is the executable's, so the demo runs
// a copy of itself from a fresh temporary directory.
int start_demo_copy(bool keep) {
    char dir_template[] = "/tmp/zpos-demo-XXXXXX";
    if (!mkdtemp(dir_template)) return fail("cannot create a temporary directory");
    fs::path dir = dir_template;
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&Zelta_Send), &info) || !info.dli_fname) return fail("cannot find the library");
    std::error_code ec;
    fs::copy_file("/proc/self/exe", dir / "zpos", ec);
    fs::copy_file(fs::canonical(info.dli_fname), dir / fs::path(info.dli_fname).filename(), ec);
    if (ec) return fail("cannot copy the demo into ", dir.string());
    fs::permissions(dir / "zpos", fs::perms::owner_all);
    std::FILE* ini = std::fopen((dir / "ZposSign.ini").c_str(), "w");
    if (ini) {
        std::fputs("[VANCFG]\nVANID=1\nEOT_CNT=0\n[COM_PORT]\nSignSetting=NO\nPIN=NO\nGetComPort=1\n", ini);
        std::fclose(ini);
    }
    setenv("ZPOS_REGISTRY_FILE", (dir / "registry.dat").c_str(), 1);
    std::string exe = (dir / "zpos").string();
    const char* argv[] = {exe.c_str(), "demo", "--in-app-dir", keep ? "--keep" : nullptr, nullptr};
    execv(exe.c_str(), const_cast<char* const*>(argv));
    return fail("cannot start the demo copy");
}

int run_demo_here(bool keep) {
    host::Scenario link;
    host::Rule decline;
    decline.match = host::Rule::Match::Card;
    decline.value = "5";
    decline.approve = false;
    decline.message = "\xED\x95\x9C\xEB\x8F\x84\xEC\xB4\x88\xEA\xB3\xBC";  // 한도초과
    link.rules.push_back(decline);
    host::HostSim host_sim(link);
    host::Scenario dl;
    dl.service = host::Scenario::Service::Download;
    host::HostSim download_sim(dl);
    if (!host_sim.start() || !download_sim.start()) return fail("cannot start the host simulator on 127.0.0.1");
    int port = host_sim.port();
    std::printf("host simulator on 127.0.0.1:%d, download server on 127.0.0.1:%d\n", port, download_sim.port());

    std::array<char, resp::kSize> response{};
    Record approval = card_request("0200", "10", "9410123456789012=2812101", false, 30000, 0, "1200000001");
    int r = Zelta_Send("127.0.0.1", port, approval.bytes.data(), response.data());
    show("card approval", approval, response.data(), r);
    int ack = Zelta_Ack();
    std::printf("-- Zelta_Ack: %d (%s)\n", ack, ack == 1 ? "the host closed the transaction" : cli::result_meaning(ack));

    Record declined = card_request("0200", "10", "5410123456789012=2812101", false, 45000, 0, "1200000001");
    r = Zelta_Send("127.0.0.1", port, declined.bytes.data(), response.data());
    show("declined card (acknowledged automatically)", declined, response.data(), r);

    Record cash = card_request("0200", "21", "8001011234567", true, 12000, 0, "1200000001");
    r = Zelta_Send("127.0.0.1", port, cash.bytes.data(), response.data());
    show("cash", cash, response.data(), r);
    Zelta_Ack();

    Record points = points_request("01", "01", "9400001234567890=2812", 5000, "1200000001");
    r = Zelta_OKCashbag("127.0.0.1", port, points.bytes.data(), response.data());
    show("points", points, response.data(), r);
    Zelta_Ack();

    std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer{};
    r = Zelta_download("127.0.0.1", download_sim.port(), "DOWNLOAD REQUEST", answer.data());
    std::printf("\n== download\n-- result %d: %s\n-- answer [%s]\n", r, cli::result_meaning(r), answer.data());

    host_sim.stop();
    download_sim.stop();
    fs::path dir = fs::path("/proc/self/exe");
    dir = fs::read_symlink(dir).parent_path();
    std::printf("\nlog files: %s/Logs/\nsettings:  %s/ZposSign.ini\n", dir.c_str(), dir.c_str());
    if (!keep) {
        std::printf("(add --keep to keep them)\n");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    return 0;
}

void print_help() {
    std::printf("zpos: a command-line POS for the ZPosApp library\n\ncommands:\n");
    for (const Command& c : kCommands) std::printf("  %s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        print_help();
        return argc < 2 ? 2 : 0;
    }
    const Command* c = find_command(argv[1]);
    if (!c) return fail("unknown command ", std::string(argv[1]) + " (see zpos --help)");
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("%s\n", c->usage);
            return 0;
        }
    std::string name = c->name;
    if (name == "demo") {
        bool here = argc > 2 && std::strcmp(argv[2], "--in-app-dir") == 0;
        bool keep = false;
        for (int i = 2; i < argc; ++i) keep = keep || std::strcmp(argv[i], "--keep") == 0;
        for (int i = 2; i < argc; ++i)
            if (std::strcmp(argv[i], "--keep") != 0 && std::strcmp(argv[i], "--in-app-dir") != 0)
                return fail("unknown option ", std::string(argv[i]) + " for 'demo'");
        return here ? run_demo_here(keep) : start_demo_copy(keep);
    }
    Options o;
    std::vector<std::string> args;
    if (!parse_options(*c, argc, argv, 2, o, args)) return 2;
    if (name == "send") return run_send(o, false);
    if (name == "points") return run_send(o, true);
    if (name == "ack") {
        int r = Zelta_Ack();
        std::printf("result %d: %s\n", r, cli::result_meaning(r));
        return r == 1 ? 0 : 1;
    }
    if (name == "download") return run_download(o);
    return run_decode(args);
}
