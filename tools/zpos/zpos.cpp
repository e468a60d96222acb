// zpos, the command-line POS: builds request records from named options, calls
// the library's exports as a POS does, shows the lines the library logs while
// a call waits, prints the response field by field with a verdict of what the
// POS does next, runs sessions of such calls in one process, and reads the
// library's logs. This file holds the commands and the ones that read files;
// options.cpp, calls.cpp, session.cpp and demo.cpp the rest.
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "tools/zpos/app_dir.h"
#include "tools/zpos/in_doubt.h"
#include "tools/zpos/log_view.h"
#include "tools/zpos/record_view.h"
#include "tools/zpos/settings_command.h"
#include "tools/zpos/zpos.h"

namespace fs = std::filesystem;

namespace zpos::cli {

namespace {

int run_log(const Command& c, const Arguments& a);
int run_decode(const Command& c, const Arguments& a);
int run_settings(const Command& c, const Arguments& a);
int run_in_doubt(const Command& c, const Arguments& a);

const Option kHost{"host", "ADDR, the host's IPv4 address"};
const Option kPort{"port", "N, a port number from 1 to 65535"};
const Option kTrack{"track", "TRACK2, the card's track image or number (at most 37 characters)"};
const Option kAmount{"amount", "N, an amount from 0 to 999999999"};
const Option kOrgAuth{"org-auth", "N, the original approval number (cancellations; 8 characters, points 12)"};
const Option kOrgDate{"org-date", "YYMMDD, the original approval date (cancellations)"};
const Option kTermId{"term-id", "ID, the terminal id (at most 10 characters)"};
const Option kPosEcho{"pos-echo", "TEXT, the POS's own key for the sale (at most 23 characters)"};
const Option kDir{"dir", "DIR, an application directory"};
const Option kRaw{"raw", "FILE, where the 450-byte response record is saved"};
const Option kAck{"ack", nullptr};

// The demo's copy is started with --in-app-dir, which is not for users.
const Command kCommands[] = {
    {"demo", "zpos demo [--keep]\n  Card approval and Zelta_Ack, a decline, cash, points and a download\n"
             "  against the built-in host simulator on loopback.",
     {{"keep", nullptr}, {"in-app-dir", nullptr}}, 0, 0, run_demo, nullptr},
    {"send", "zpos send [--host ADDR] [--port N] [--kind KIND] [--type 0200|0420] [--track TRACK2] [--keyed]\n"
             "          [--amount N] [--months MM] [--org-auth N] [--org-date YYMMDD] [--term-id ID]\n"
             "          [--pos-echo TEXT] [--raw FILE] [--ack]\n"
             "  One Zelta_Send, then with --ack the Zelta_Ack that confirms an approval. KIND is\n"
             "  10, 21, 30, 70, 90, KT, F1, F2 or 20; other two-character kinds go to the library\n"
             "  as they are. Defaults: --host 127.0.0.1 --port 10902 --kind 10 --type 0200\n"
             "  --track 9410123456789012=2812101 --amount 1004 --months 00 --term-id 1200000001.",
     {kHost, kPort, {"kind", "KIND, a two-character transaction kind such as 10"},
      {"type", "TYPE, a four-character message type: 0200 approval, 0420 cancellation"}, kTrack, {"keyed", nullptr},
      kAmount, {"months", "MM, instalment months from 0 to 99"}, kOrgAuth, kOrgDate, kTermId, kPosEcho, kRaw, kAck},
     0, 0, run_call, prepare_send},
    {"points", "zpos points [--host ADDR] [--port N] [--sub 01|02|03|11|12] [--media 01..04] [--track TRACK2]\n"
               "            [--amount N] [--org-auth N] [--org-date YYMMDD] [--term-id ID] [--pos-echo TEXT]\n"
               "            [--raw FILE] [--ack]\n"
               "  One Zelta_OKCashbag; --sub 11 and 12 are cancellations. Defaults: --host 127.0.0.1\n"
               "  --port 10902 --sub 01 --media 01 --track 9400001234567890=2812 --amount 1004\n"
               "  --term-id 1200000001.",
     {kHost, kPort, {"sub", "01, 02, 03, 11 or 12"}, {"media", "MM, the card medium 01 to 04"}, kTrack, kAmount,
      kOrgAuth, kOrgDate, kTermId, kPosEcho, kRaw, kAck},
     0, 0, run_call, prepare_points},
    {"ack", "zpos ack\n  Zelta_Ack: confirms the last approval of this process, so on its own it has\n"
            "  nothing to confirm; use send --ack, or ack after send in a session.",
     {}, 0, 0, run_call, prepare_ack},
    {"download", "zpos download [--host ADDR] [--port N] --request TEXT\n"
                 "  One Zelta_download; prints the answer. Defaults: --host 127.0.0.1 --port 10902.",
     {kHost, kPort, {"request", "TEXT, the request text (24 characters are sent)"}}, 0, 0, run_call,
     prepare_download},
    {"session", "zpos session FILE|- [--host ADDR] [--port N] [--download-port N]\n"
                "  Runs the commands of FILE (- for standard input) in this one process, one a line:\n"
                "  send, points, ack, download, each with its own options, and wait SECONDS. Blank\n"
                "  lines and lines starting with # are skipped. --host and --port go to every line\n"
                "  that does not give its own, --download-port to download lines. Every line is\n"
                "  checked before the first runs.",
     {kHost, kPort, {"download-port", "N, a port number from 1 to 65535"}}, 1, 0, run_session, nullptr},
    {"log", "zpos log [--dir DIR] [FILE]\n"
            "  Reads a day's log of the library (when FILE is not given, today's in DIR, by\n"
            "  default the application directory): request and response records field by\n"
            "  field, card numbers masked, and every other line as a timeline with its meaning.",
     {kDir}, 1, 1, run_log, nullptr},
    {"in-doubt", "zpos in-doubt [--dir DIR] [--since YYMMDD]\n"
                 "  Lists every approval in DIR's daily logs from YYMMDD on that the host never got\n"
                 "  a close for: no EOT after Zelta_Ack's ACK and no answer to the management\n"
                 "  message (each day is read on into the next). Each shows its time, type/kind,\n"
                 "  amount, card (masked), auth_no, issuer and pos_echo, and why it is in doubt;\n"
                 "  approvals on the backup route show as \"backup route, not verifiable\". Call the\n"
                 "  help desk with auth_no, or cancel with the card present. Defaults: DIR the\n"
                 "  application directory, --since yesterday. Exit status: 0 none in doubt, 1 some\n"
                 "  in doubt, 2 wrong usage or no logs to read, 3 DIR is an agent's (it holds\n"
                 "  journal.sqlite3): ask the agent's inbox instead.",
     {kDir, {"since", "YYMMDD, the first day to read"}}, 0, 0, run_in_doubt,
     nullptr},
    {"decode", "zpos decode FILE\n  Decodes a saved 240-byte request or 450-byte response record.", {}, 1, 0,
     run_decode, nullptr},
    {"settings", "zpos settings [--dir DIR] [--set [SECTION.]KEY=VALUE]...\n"
                 "  Shows DIR/ZposSign.ini key by key with each key's meaning; --set changes one key\n"
                 "  (repeat it for more) and keeps every other line. DIR defaults to the application\n"
                 "  directory: where the library looks when zpos calls it.",
     {kDir, {"set", "[SECTION.]KEY=VALUE, a settings key and its value", true}},
     0, 0, run_settings, nullptr},
};

// ---- The other commands ----

int run_decode(const Command&, const Arguments& a) {
    const std::string& file = a.plain[0];
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return fail("cannot read ", file);
    std::array<char, ZPOSAPP_RESPONSE_SIZE + 1> bytes{};
    std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (n == ZPOSAPP_REQUEST_SIZE) {
        std::printf("request record, %zu bytes\n", n);
        print_request(stdout, bytes.data());
    } else if (n == ZPOSAPP_RESPONSE_SIZE) {
        std::printf("response record, %zu bytes\n", n);
        print_response(stdout, bytes.data());
    } else {
        return fail("expected a 240-byte request or a 450-byte response record, but ",
                    file + (n > ZPOSAPP_RESPONSE_SIZE ? " is longer" : " has " + std::to_string(n) + " bytes"));
    }
    return 0;
}

int run_settings(const Command&, const Arguments& a) {
        const std::vector<std::string>& assignments = a.repeated;
    std::string dir = a.has("dir") ? a.options.at("dir") : app_dir();
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return fail("option --dir expects a directory, not ", "'" + dir + "'");
    if (dir.size() > 200)
        return fail("option --dir: the library's application directory has at most 200 characters, not ",
                    std::to_string(dir.size()));
    std::string error;
    if (!assignments.empty() && !set_settings(dir, assignments, error)) return fail("option --set: ", error);
    show_settings(stdout, dir);
    return 0;
}

int run_in_doubt(const Command&, const Arguments& a) {
        std::string since = a.get("since", "");
    if (since.empty()) {
        std::time_t yesterday = std::time(nullptr) - 86400;
        std::tm tm{};
        localtime_r(&yesterday, &tm);
        char date[16];
        std::strftime(date, sizeof date, "%y%m%d", &tm);
        since = date;
    } else {
        std::tm tm{};
        const char* end = since.size() == 6 ? strptime(since.c_str(), "%y%m%d", &tm) : nullptr;
        if (!end || *end != '\0') return fail("option --since expects a date YYMMDD, not ", "'" + since + "'");
    }
    std::string dir = a.has("dir") ? a.options.at("dir") : app_dir();
    std::error_code ec;
    if (fs::exists(fs::path(dir) / kAgentJournal, ec)) {
        std::fprintf(stderr, "zpos: %s holds an agent's journal (%s): the agent confirms its own sales and keeps "
                             "those in doubt; ask the agent's inbox instead\n", dir.c_str(), kAgentJournal);
        return kAgentsFolder;
    }
    bool readable = false;
    int status = show_in_doubt(stdout, dir, since, readable);
    if (!readable) return fail("no daily logs to read in ", dir + "/Logs");
    return status;
}

int run_log(const Command&, const Arguments& a) {
    bool has_dir = a.has("dir");
    if (has_dir && !a.plain.empty()) return fail("'log' takes --dir or FILE, not both");
    std::string path = !a.plain.empty() ? a.plain[0]
                                        : today_log_path(has_dir ? a.options.at("dir") : app_dir());
    if (!show_log(stdout, path)) return fail("cannot read ", path);
    return 0;
}

void print_help() {
    std::printf("zpos: a command-line POS for the ZPosApp library\n\ncommands:\n");
    for (const Command& c : kCommands) std::printf("  %s\n", c.usage);
    std::printf("\n'zpos COMMAND --help' shows one command. While a call waits, the lines the library\n"
                "writes to today's log are shown as they come, with the seconds since the call began.\n"
                "Exit status: 0 done (send and points: the host replied, whatever resp_code says;\n"
                "with --ack also confirmed), 1 a call failed, 2 wrong usage; in-doubt says its own.\n"
                "\n"
                "Application directory, where the library keeps Logs/ and ZposSign.ini when zpos\n"
                "calls it, and what settings, log and in-doubt read by default: ZPOS_APP_DIR when\n"
                "set, else the directory of zpos itself. When zpos lies in a system folder (under\n"
                "/usr, /bin, /sbin, /lib, /opt or /snap, or one this user cannot write), as an\n"
                "installed zpos does, it is $XDG_STATE_HOME/zposapp (~/.local/state/zposapp when\n"
                "XDG_STATE_HOME is unset), created when missing. zpos names it on standard error\n"
                "and warns when the library cannot write there.\n");
}

}  // namespace

std::string g_where;

int fail(const char* text, const std::string& detail) {
    std::fprintf(stderr, "zpos: %s%s%s\n", g_where.c_str(), text, detail.c_str());
    return 2;
}

const Command* find_command(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace zpos::cli

using namespace zpos::cli;

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
    std::vector<std::string> words(argv + 2, argv + argc);
    Arguments parsed;
    if (!read_arguments(*c, words, parsed)) return 2;
    return c->run(*c, parsed);
}
