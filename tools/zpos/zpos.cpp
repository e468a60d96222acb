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
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "support/records.h"
#include "tools/host/host_sim.h"
#include "tools/zpos/record_view.h"
#include "tools/zpos/settings_command.h"
#include "zposapp.h"
#include "zposapp_records.h"

namespace fs = std::filesystem;
using namespace zpos;

namespace {

using Options = std::map<std::string, std::string>;

struct Option {
    const char* name;
    const char* value;  // what the value is; nullptr for a flag
    bool repeats = false;
};

struct Command {
    const char* name;
    const char* usage;
    std::vector<Option> options;
    std::size_t files = 0;  // plain arguments it takes
};

const Option kHost{"host", "ADDR, the host's IPv4 address"};
const Option kPort{"port", "N, a port number from 1 to 65535"};
const Option kTrack{"track", "TRACK2, the card's track image or number"};
const Option kAmount{"amount", "N, an amount from 0 to 999999999"};
const Option kOrgAuth{"org-auth", "N, the original approval number (cancellations)"};
const Option kOrgDate{"org-date", "YYMMDD, the original approval date (cancellations)"};
const Option kTermId{"term-id", "ID, the terminal id (10 characters)"};
const Option kRaw{"raw", "FILE, where the 450-byte response record is saved"};

const Command kCommands[] = {
    {"demo", "zpos demo [--keep]\n  Card approval and Zelta_Ack, a decline, cash, points and a download\n"
             "  against the built-in host simulator on loopback.",
     {{"keep", nullptr}}},
    {"send", "zpos send --host ADDR --port N --kind 10|21|30|70|90|KT|F1|F2|20 [--type 0200|0420]\n"
             "          [--track TRACK2] [--keyed] [--amount N] [--months MM] [--org-auth N] [--org-date YYMMDD]\n"
             "          [--term-id ID] [--raw FILE]\n"
             "  One Zelta_Send; other two-character kinds go to the library as they are.",
     {kHost, kPort, {"kind", "KIND, a two-character transaction kind such as 10"},
      {"type", "TYPE, a four-character message type: 0200 approval, 0420 cancellation"}, kTrack, {"keyed", nullptr},
      kAmount, {"months", "MM, instalment months from 0 to 99"}, kOrgAuth, kOrgDate, kTermId, kRaw}},
    {"points", "zpos points --host ADDR --port N --sub 01|02|03|11|12 [--media 01..04] [--track TRACK2]\n"
               "            [--amount N] [--org-auth N] [--org-date YYMMDD] [--term-id ID] [--raw FILE]\n"
               "  One Zelta_OKCashbag; --sub 11 and 12 are cancellations.",
     {kHost, kPort, {"sub", "01, 02, 03, 11 or 12"}, {"media", "MM, the card medium 01 to 04"}, kTrack, kAmount,
      kOrgAuth, kOrgDate, kTermId, kRaw}},
    {"ack", "zpos ack\n  Confirms the last approval (in this process).", {}},
    {"download", "zpos download --host ADDR --port N --request TEXT\n  One Zelta_download; prints the answer.",
     {kHost, kPort, {"request", "TEXT, the request text (24 characters are sent)"}}},
    {"decode", "zpos decode FILE\n  Decodes a saved 240-byte request or 450-byte response record.", {}, 1},
    {"settings", "zpos settings [--dir DIR] [--set [SECTION.]KEY=VALUE]...\n"
                 "  Shows DIR/ZposSign.ini key by key with each key's meaning; --set changes one key\n"
                 "  (repeat it for more) and keeps every other line. DIR defaults to ZPOS_APP_DIR when\n"
                 "  set, else this program's own directory: where the library looks when zpos calls it.",
     {{"dir", "DIR, an application directory"}, {"set", "[SECTION.]KEY=VALUE, a settings key and its value", true}}},
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

const Option* find_option(const Command& c, const std::string& name) {
    for (const Option& o : c.options)
        if (name == o.name) return &o;
    return nullptr;
}

std::string see_help(const Command& c) { return std::string(" (see zpos ") + c.name + " --help)"; }

// Reads "--name value" and "--name" flags into `out`, repeatable ones into
// `repeated`, plain arguments into `args`; prints what is wrong and returns
// false on the first mistake.
bool parse_options(const Command& c, int argc, char** argv, int first, Options& out,
                   std::vector<std::string>& repeated, std::vector<std::string>& args) {
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            if (args.size() == c.files) {
                fail("unexpected argument '", a + "' for '" + c.name + "'" + see_help(c));
                return false;
            }
            args.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        const Option* o = find_option(c, name);
        if (!o) {
            fail("unknown option ", a + " for '" + c.name + "'" + see_help(c));
            return false;
        }
        if (!o->repeats && out.count(name)) {
            fail("option --", name + " is given twice");
            return false;
        }
        if (!o->value) {
            out[name] = "1";
            continue;
        }
        if (i + 1 >= argc) {
            fail("option --", name + " needs a value: " + o->value);
            return false;
        }
        if (o->repeats)
            repeated.push_back(argv[++i]);
        else
            out[name] = argv[++i];
    }
    if (args.size() < c.files) {
        fail("'", std::string(c.name) + "' needs a FILE" + see_help(c));
        return false;
    }
    return true;
}

bool number_option(const Options& o, const char* name, long fallback, long min, long max, long& value) {
    auto it = o.find(name);
    if (it == o.end()) {
        value = fallback;
        return true;
    }
    char* end = nullptr;
    value = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end != '\0' || value < min || value > max) {
        fail("option --", std::string(name) + " expects a whole number from " + std::to_string(min) + " to " +
                              std::to_string(max) + ", not '" + it->second + "'");
        return false;
    }
    return true;
}

// A text option that must be exactly `width` characters when given.
bool width_option(const Options& o, const char* name, std::size_t width, const char* what) {
    auto it = o.find(name);
    if (it == o.end() || it->second.size() == width) return true;
    fail("option --", std::string(name) + " expects " + what + ", not '" + it->second + "'");
    return false;
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
    std::printf("-- result %d: %s\n", result, zposapp_send_result_text(result));
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

// Prints which required option is missing and what it takes.
bool has_required(const Command& c, const Options& o, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (o.count(name)) continue;
        fail("option --", std::string(name) + " is required for '" + c.name + "': " + find_option(c, name)->value);
        return false;
    }
    return true;
}

int run_send(const Command& c, const Options& o, bool points) {
    long port, amount, months;
    if (!has_required(c, o, {"host", "port"}) || (points ? false : !has_required(c, o, {"kind"}))) return 2;
    if (!number_option(o, "port", 0, 1, 65535, port) || !number_option(o, "amount", 1004, 0, 999999999, amount) ||
        !number_option(o, "months", 0, 0, 99, months))
        return 2;
    std::string term_id = opt(o, "term-id", "1200000001");
    Record r;
    if (points) {
        std::string sub = opt(o, "sub", "01");
        if (sub != "01" && sub != "02" && sub != "03" && sub != "11" && sub != "12")
            return fail("option --sub expects 01, 02, 03, 11 or 12, not ", "'" + sub + "'");
        if (!width_option(o, "media", 2, "two digits, 01 to 04")) return 2;
        r = points_request(sub, opt(o, "media", "01"), opt(o, "track", "9400001234567890=2812"), amount, term_id);
    } else {
        if (!width_option(o, "kind", 2, "a two-character transaction kind such as 10") ||
            !width_option(o, "type", 4, "a four-character message type such as 0200"))
            return 2;
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

int run_download(const Command& c, const Options& o) {
    long port;
    if (!has_required(c, o, {"host", "port", "request"})) return 2;
    if (!number_option(o, "port", 0, 1, 65535, port)) return 2;
    std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer{};
    int result = Zelta_download(opt(o, "host", "").c_str(), static_cast<int>(port), opt(o, "request", "").c_str(),
                                answer.data());
    std::printf("result %d: %s\nanswer [%s]\n", result, zposapp_download_result_text(result), answer.data());
    return result > 0 ? 0 : 1;
}

int run_decode(const std::string& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return fail("cannot read ", file);
    std::array<char, resp::kSize + 1> bytes{};
    std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (n == req::kSize) {
        std::printf("request record, %zu bytes\n", n);
        cli::print_request(stdout, bytes.data());
    } else if (n == resp::kSize) {
        std::printf("response record, %zu bytes\n", n);
        cli::print_response(stdout, bytes.data());
    } else {
        return fail("expected a 240-byte request or a 450-byte response record, but ",
                    file + (n > resp::kSize ? " is longer" : " has " + std::to_string(n) + " bytes"));
    }
    return 0;
}

int run_settings(const Options& o, const std::vector<std::string>& assignments) {
    std::string dir = o.count("dir") ? o.at("dir") : cli::own_app_dir();
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return fail("option --dir expects a directory, not ", "'" + dir + "'");
    if (dir.size() > 200)
        return fail("option --dir: the library's application directory has at most 200 characters, not ",
                    std::to_string(dir.size()));
    std::string error;
    if (!assignments.empty() && !cli::set_settings(dir, assignments, error)) return fail("option --set: ", error);
    cli::show_settings(stdout, dir);
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
    link.rules.push_back(host::decline_card("5", "\xED\x95\x9C\xEB\x8F\x84\xEC\xB4\x88\xEA\xB3\xBC"));  // 한도초과
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
    std::printf("-- Zelta_Ack: %d (%s)\n", ack, zposapp_ack_result_text(ack));

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
    std::printf("\n== download\n-- result %d: %s\n-- answer [%s]\n", r, zposapp_download_result_text(r), answer.data());

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
    std::printf("\n'zpos COMMAND --help' shows one command. Exit status: 0 done (send and points:\n"
                "the host replied, whatever resp_code says), 1 the call failed, 2 wrong usage.\n");
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
    // The demo's copy is started with --in-app-dir, which is not for users.
    bool here = name == "demo" && argc > 2 && std::strcmp(argv[2], "--in-app-dir") == 0;
    Options o;
    std::vector<std::string> repeated, args;
    if (!parse_options(*c, argc, argv, here ? 3 : 2, o, repeated, args)) return 2;
    if (name == "demo") return here ? run_demo_here(o.count("keep") > 0) : start_demo_copy(o.count("keep") > 0);
    if (name == "send") return run_send(*c, o, false);
    if (name == "points") return run_send(*c, o, true);
    if (name == "ack") {
        int r = Zelta_Ack();
        std::printf("result %d: %s\n", r, zposapp_ack_result_text(r));
        return r == 1 ? 0 : 1;
    }
    if (name == "download") return run_download(*c, o);
    if (name == "settings") return run_settings(o, repeated);
    return run_decode(args[0]);
}
