// zpos, the command-line POS: builds request records from named options, calls
// the library's exports as a POS does, shows the lines the library logs while
// a call waits, prints the response field by field with a verdict of what the
// POS does next, runs sessions of such calls in one process, and reads the
// library's logs. `zpos demo` runs a whole day's worth of transactions against
// the host simulator in a temporary application directory.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "entry/dispatch.h"
#include "support/records.h"
#include "tests/common/records_helper.h"
#include "tools/host/host_sim.h"
#include "tools/zpos/app_dir.h"
#include "tools/zpos/in_doubt.h"
#include "tools/zpos/log_view.h"
#include "tools/zpos/record_view.h"
#include "tools/zpos/settings_command.h"
#include "tools/zpos/verdicts.h"
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

// A command line's words once read: options by name, the values of a
// repeatable option in order, and the plain arguments.
struct Arguments {
    Options options;
    std::vector<std::string> repeated;
    std::vector<std::string> files;
};

struct Call;

// A command: its usage, its options and plain arguments, what runs it, and
// for the commands a session line may hold, how its options become a call.
struct Command {
    const char* name;
    const char* usage;
    std::vector<Option> options;
    std::size_t files;     // plain arguments it takes
    std::size_t optional;  // how many of them may be left out
    int (*run)(const Command& c, const Arguments& a);
    bool (*prepare)(const Command& c, const Options& o, Call& call);  // null: not a session line
};

int run_demo(const Command& c, const Arguments& a);
int run_call(const Command& c, const Arguments& a);
int run_session(const Command& c, const Arguments& a);
int run_log(const Command& c, const Arguments& a);
int run_decode(const Command& c, const Arguments& a);
int run_settings(const Command& c, const Arguments& a);
int run_in_doubt(const Command& c, const Arguments& a);
bool prepare_send(const Command& c, const Options& o, Call& call);
bool prepare_points(const Command& c, const Options& o, Call& call);
bool prepare_ack(const Command& c, const Options& o, Call& call);
bool prepare_download(const Command& c, const Options& o, Call& call);

// The defaults every command shares; --help shows them.
constexpr const char* kDefaultHost = "127.0.0.1";
constexpr long kDefaultPort = 10902;
constexpr long kDefaultAmount = 1004;
constexpr const char* kDefaultTrack = "9410123456789012=2812101";
constexpr const char* kDefaultPointsTrack = "9400001234567890=2812";
constexpr const char* kDefaultTermId = "1200000001";

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

// Where a usage error is: empty on the command line, "FILE:LINE: " in a session.
std::string g_where;

int fail(const char* text, const std::string& detail = "") {
    std::fprintf(stderr, "zpos: %s%s%s\n", g_where.c_str(), text, detail.c_str());
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

// Reads "--name value" and "--name" flags into options, repeatable ones into
// `repeated`, plain arguments into `files`; prints what is wrong and returns
// false on the first mistake.
bool parse_options(const Command& c, const std::vector<std::string>& words, Arguments& parsed) {
    Options& out = parsed.options;
    std::vector<std::string>& args = parsed.files;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& a = words[i];
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
        if (i + 1 >= words.size()) {
            fail("option --", name + " needs a value: " + o->value);
            return false;
        }
        if (o->repeats)
            parsed.repeated.push_back(words[++i]);
        else
            out[name] = words[++i];
    }
    if (args.size() + c.optional < c.files) {
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
    // Digits only: strtol alone would also take a sign or leading blanks.
    char* end = nullptr;
    value = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || !std::isdigit(static_cast<unsigned char>(it->second[0])) || *end != '\0' ||
        value < min || value > max) {
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

// A text option that fits its record field of `width` characters when given:
// the record would cut a longer one, and a cut card or terminal id is another
// card or terminal. The value is not repeated: it may be a card's track.
bool fits_option(const Options& o, const char* name, std::size_t width) {
    auto it = o.find(name);
    if (it == o.end() || it->second.size() <= width) return true;
    fail("option --", std::string(name) + " takes at most " + std::to_string(width) + " characters, not " +
                          std::to_string(it->second.size()));
    return false;
}

std::string opt(const Options& o, const char* name, const char* fallback) {
    auto it = o.find(name);
    return it == o.end() ? fallback : it->second;
}

using test::Request;

// A number zero-padded to the field's width.
void set_number(Request& r, Field f, long value) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*ld", static_cast<int>(f.width), value);
    r.set(f, text);
}

Request card_request(const std::string& type, const std::string& kind, const std::string& track, bool keyed,
                     long amount, long months, const std::string& term_id) {
    Request r;
    r.set(req::rec_len, "0240");
    r.set(req::msg_type, type);
    r.set(req::tran_kind, kind);
    r.set(req::term_id, term_id);
    r.set(req::entry_mode, keyed ? "@" : "S");
    r.set(req::track2, track);
    set_number(r, req::install_months, months);
    set_number(r, req::amt_extra1, 0);
    set_number(r, req::amt_extra2, 0);
    set_number(r, req::tran_amt, amount);
    return r;
}

Request points_request(const std::string& sub, const std::string& media, const std::string& track, long amount,
                       const std::string& term_id) {
    Request r;
    r.set(req::rec_len, "0240");
    r.set(req::msg_type, sub == "11" || sub == "12" ? "0420" : "0200");
    r.set(req::tran_kind, "40");
    r.set(req::term_id, term_id);
    r.set(req::pt_media, media);
    r.set(req::pt_sub, sub);
    r.set(req::pt_track2, track);
    set_number(r, req::pt_amt, amount);
    return r;
}

// ---- One call, prepared from its options, then made ----

struct Call {
    enum class What { Send, Points, Ack, Download, Wait };
    What what = What::Send;
    Request request;
    std::string host = kDefaultHost;
    long port = kDefaultPort;
    bool ack = false;
    std::string raw;
    std::string text;  // the download's request
    long wait_ms = 0;
};

// Prints which required option is missing and what it takes.
bool has_required(const Command& c, const Options& o, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (o.count(name)) continue;
        fail("option --", std::string(name) + " is required for '" + c.name + "': " + find_option(c, name)->value);
        return false;
    }
    return true;
}

// False after printing what is wrong.
bool prepare_transaction(const Options& o, bool points, Call& call) {
    long amount, months;
    if (!number_option(o, "port", kDefaultPort, 1, 65535, call.port) ||
        !number_option(o, "amount", kDefaultAmount, 0, 999999999, amount) ||
        !number_option(o, "months", 0, 0, 99, months))
        return false;
    Field track = points ? req::pt_track2 : req::track2;
    Field org_auth = points ? req::pt_org_auth_no : req::org_auth_no;
    Field org_date = points ? req::pt_org_auth_date : req::org_auth_date;
    if (!fits_option(o, "term-id", req::term_id.width) || !fits_option(o, "pos-echo", req::pos_echo.width) ||
        !fits_option(o, "track", track.width) ||
        !fits_option(o, "org-auth", org_auth.width) || !fits_option(o, "org-date", org_date.width))
        return false;
    std::string term_id = opt(o, "term-id", kDefaultTermId);
    if (points) {
        std::string sub = opt(o, "sub", "01");
        if (sub != "01" && sub != "02" && sub != "03" && sub != "11" && sub != "12")
            return fail("option --sub expects 01, 02, 03, 11 or 12, not ", "'" + sub + "'") == 0;
        if (!width_option(o, "media", 2, "two digits, 01 to 04")) return false;
        call.request = points_request(sub, opt(o, "media", "01"), opt(o, "track", kDefaultPointsTrack), amount, term_id);
    } else {
        if (!width_option(o, "kind", 2, "a two-character transaction kind such as 10") ||
            !width_option(o, "type", 4, "a four-character message type such as 0200"))
            return false;
        call.request = card_request(opt(o, "type", "0200"), opt(o, "kind", "10"), opt(o, "track", kDefaultTrack),
                                    o.count("keyed") > 0, amount, months, term_id);
    }
    // The original approval of a cancellation: points keep it in their own layout.
    call.request.set(req::pos_echo, opt(o, "pos-echo", ""));
    call.request.set(org_auth, opt(o, "org-auth", ""));
    call.request.set(org_date, opt(o, "org-date", ""));
    call.what = points ? Call::What::Points : Call::What::Send;
    call.host = opt(o, "host", kDefaultHost);
    call.ack = o.count("ack") > 0;
    call.raw = opt(o, "raw", "");
    return true;
}

bool prepare_send(const Command&, const Options& o, Call& call) { return prepare_transaction(o, false, call); }

bool prepare_points(const Command&, const Options& o, Call& call) { return prepare_transaction(o, true, call); }

bool prepare_ack(const Command&, const Options&, Call& call) {
    call.what = Call::What::Ack;
    return true;
}

bool prepare_download(const Command& c, const Options& o, Call& call) {
    call.what = Call::What::Download;
    call.host = opt(o, "host", kDefaultHost);
    call.text = opt(o, "request", "");
    return has_required(c, o, {"request"}) && number_option(o, "port", kDefaultPort, 1, 65535, call.port);
}

// The card approvals and cancellations, which the backup route takes: the
// library's own dispatch and kinds tables say which.
bool is_credit(const Request& r) {
    std::string_view type(r.bytes.data() + req::msg_type.offset, req::msg_type.width);
    std::string_view kind(r.bytes.data() + req::tran_kind.offset, req::tran_kind.width);
    return kind_of(dispatch_row(type, kind).kind).backup_route;
}

// What the POS does now: the response code's verdict where it decides, else
// the result's.
void print_verdict(const char* export_name, int result, const char* response) {
    const cli::ResultVerdict* verdict = nullptr;
    if (std::strcmp(export_name, "download") == 0 && result > 0) verdict = &cli::kDownloadAnswer;
    for (const cli::ResultVerdict& v : cli::kResultVerdicts)
        if (!verdict && std::strcmp(v.export_name, export_name) == 0 && v.value == result) verdict = &v;
    if (response) {
        for (const cli::CodeVerdict& c : cli::kCodeVerdicts) {
            if (std::strncmp(c.resp_code, response + resp::resp_code.offset, resp::resp_code.width) != 0) continue;
            if (std::strcmp(c.action, "by result") != 0) {
                std::printf("-- verdict: %s: %s\n", c.action, c.todo);
                return;
            }
        }
    }
    if (verdict)
        std::printf("-- verdict: %s: %s\n", verdict->action, verdict->todo);
    else
        std::printf("-- verdict: none: a result no table names; see the library's log (zpos log)\n");
}

// Runs one call of the library while its log lines are shown.
template <class Fn>
int with_waiting_lines(const char* reading, Fn call) {
    cli::LogTail tail(stdout, cli::app_dir());
    tail.start(reading);
    int result = call();
    tail.stop();
    return result;
}

int run_ack() {
    std::printf("-- Zelta_Ack\n");
    std::fflush(stdout);
    int r = with_waiting_lines("", [] { return Zelta_Ack(); });
    std::printf("-- result %d: %s\n", r, zposapp_ack_result_text(r));
    print_verdict("ack", r, nullptr);
    return r == ZPOSAPP_ACK_CLOSED ? 0 : 1;
}

int run_transaction(const Call& call) {
    bool points = call.what == Call::What::Points;
    if (!points && is_credit(call.request))
        for (const std::string& w : cli::route_warnings(cli::app_dir(), std::time(nullptr)))
            std::fprintf(stderr, "zpos: warning: %s\n", w.c_str());
    std::printf("== %s to %s:%ld\n-- request\n", points ? "Zelta_OKCashbag" : "Zelta_Send", call.host.c_str(),
                call.port);
    cli::print_request(stdout, call.request.bytes.data());
    std::fflush(stdout);
    std::array<char, resp::kSize> response{};
    int result = with_waiting_lines("", [&] {
        return points ? Zelta_OKCashbag(call.host.c_str(), static_cast<int>(call.port), call.request.bytes.data(),
                                        response.data())
                      : Zelta_Send(call.host.c_str(), static_cast<int>(call.port), call.request.bytes.data(),
                                   response.data());
    });
    std::printf("-- response\n");
    cli::print_response(stdout, response.data());
    std::printf("-- result %d: %s\n", result, zposapp_send_result_text(result));
    print_verdict("send", result, response.data());
    if (!call.raw.empty()) {
        std::FILE* f = std::fopen(call.raw.c_str(), "wb");
        if (!f) return fail("cannot write --raw file ", call.raw);
        std::fwrite(response.data(), 1, resp::kSize, f);
        std::fclose(f);
    }
    if (result < 0) return 1;
    if (!call.ack) return 0;
    if (!zposapp_field_is(response.data(), response.size(), ZPOSAPP_FIELD(RESP, RESP_CODE),
                          ZPOSAPP_RESP_CODE_APPROVED)) {
        std::printf("-- Zelta_Ack not called: only an approval is confirmed\n");
        return 0;
    }
    return run_ack();
}

int run_download(const Call& call) {
    std::printf("== Zelta_download to %s:%ld [%s]\n", call.host.c_str(), call.port, call.text.c_str());
    std::fflush(stdout);
    std::array<char, ZPOSAPP_DOWNLOAD_ANSWER_SIZE> answer{};
    int result = with_waiting_lines("waiting for the server's answer (10 s)", [&] {
        return Zelta_download(call.host.c_str(), static_cast<int>(call.port), call.text.c_str(), answer.data());
    });
    std::printf("-- result %d: %s\n-- answer [%s]\n", result, zposapp_download_result_text(result), answer.data());
    print_verdict("download", result, nullptr);
    return result > 0 ? 0 : 1;
}

int run(const Call& call) {
    int status = 0;
    switch (call.what) {
        case Call::What::Send:
        case Call::What::Points: status = run_transaction(call); break;
        case Call::What::Ack: status = run_ack(); break;
        case Call::What::Download: status = run_download(call); break;
        case Call::What::Wait:
            std::printf("== wait %ld ms\n", call.wait_ms);
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(call.wait_ms));
            break;
    }
    std::fflush(stdout);
    return status;
}

// ---- Sessions ----

// The words of a session line; "..." keeps blanks inside one word.
std::vector<std::string> words_of(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

// One session line into a call; the session's --host and --port (and
// --download-port) stand in for the line's missing ones.
bool prepare_line(const std::vector<std::string>& words, const Options& session, Call& call) {
    if (words[0] == "wait") {
        char* end = nullptr;
        double seconds = words.size() == 2 ? std::strtod(words[1].c_str(), &end) : -1;
        if (words.size() != 2 || *end != '\0' || seconds < 0 || seconds > 3600)
            return fail("wait expects SECONDS, a number from 0 to 3600") == 0;
        call.what = Call::What::Wait;
        call.wait_ms = static_cast<long>(seconds * 1000);
        return true;
    }
    const Command* c = find_command(words[0]);
    if (!c || !c->prepare)
        return fail("a session line is send, points, ack, download or wait, not ", "'" + words[0] + "'") == 0;
    Arguments parsed;
    if (!parse_options(*c, std::vector<std::string>(words.begin() + 1, words.end()), parsed)) return false;
    Options& o = parsed.options;
    const char* port = c->prepare == prepare_download && session.count("download-port") ? "download-port" : "port";
    if (find_option(*c, "host") && !o.count("host") && session.count("host")) o["host"] = session.at("host");
    if (find_option(*c, "port") && !o.count("port") && session.count(port)) o["port"] = session.at(port);
    return c->prepare(*c, o, call);
}

int run_session(const Command&, const Arguments& a) {
    const std::string& file = a.files[0];
    const Options& session = a.options;
    long unused;
    if (!number_option(session, "port", kDefaultPort, 1, 65535, unused) ||
        !number_option(session, "download-port", kDefaultPort, 1, 65535, unused))
        return 2;
    std::ifstream in_file;
    if (file != "-") {
        in_file.open(file);
        if (!in_file) return fail("cannot read ", file);
    }
    std::istream& in = file == "-" ? std::cin : in_file;
    std::vector<std::pair<std::string, Call>> calls;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> words = words_of(line);
        if (words.empty() || words[0][0] == '#') continue;
        g_where = (file == "-" ? std::string("stdin") : file) + ":" + std::to_string(number) + ": ";
        Call call;
        if (!prepare_line(words, session, call)) return 2;
        calls.emplace_back(line, call);
    }
    g_where.clear();
    int failed = 0;
    for (const auto& [line, call] : calls) {
        std::printf("\n>> %s\n", line.c_str());
        if (run(call) != 0) ++failed;
    }
    std::printf("\nsession: %zu commands, %zu succeeded, %d failed\n", calls.size(), calls.size() - failed, failed);
    return failed ? 1 : 0;
}

// ---- The other commands ----

int run_decode(const Command&, const Arguments& a) {
    const std::string& file = a.files[0];
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

int run_settings(const Command&, const Arguments& a) {
    const Options& o = a.options;
    const std::vector<std::string>& assignments = a.repeated;
    std::string dir = o.count("dir") ? o.at("dir") : cli::app_dir();
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

int run_in_doubt(const Command&, const Arguments& a) {
    const Options& o = a.options;
    std::string since = opt(o, "since", "");
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
    std::string dir = o.count("dir") ? o.at("dir") : cli::app_dir();
    std::error_code ec;
    if (fs::exists(fs::path(dir) / cli::kAgentJournal, ec)) {
        std::fprintf(stderr, "zpos: %s holds an agent's journal (%s): the agent confirms its own sales and keeps "
                             "those in doubt; ask the agent's inbox instead\n", dir.c_str(), cli::kAgentJournal);
        return cli::kAgentsFolder;
    }
    bool readable = false;
    int status = cli::show_in_doubt(stdout, dir, since, readable);
    if (!readable) return fail("no daily logs to read in ", dir + "/Logs");
    return status;
}

int run_log(const Command&, const Arguments& a) {
    bool has_dir = a.options.count("dir") > 0;
    if (has_dir && !a.files.empty()) return fail("'log' takes --dir or FILE, not both");
    std::string path = !a.files.empty() ? a.files[0]
                                        : cli::today_log_path(has_dir ? a.options.at("dir") : cli::app_dir());
    if (!cli::show_log(stdout, path)) return fail("cannot read ", path);
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
    // The copy's folder is the demo's application directory, whatever the
    // caller's environment names.
    unsetenv("ZPOS_APP_DIR");
    std::string exe = (dir / "zpos").string();
    const char* argv[] = {exe.c_str(), "demo", "--in-app-dir", keep ? "--keep" : nullptr, nullptr};
    execv(exe.c_str(), const_cast<char* const*>(argv));
    return fail("cannot start the demo copy");
}

void show(const char* title, const Request& request, const char* response, int result) {
    std::printf("\n== %s\n-- request\n", title);
    cli::print_request(stdout, request.bytes.data());
    std::printf("-- response\n");
    cli::print_response(stdout, response);
    std::printf("-- result %d: %s\n", result, zposapp_send_result_text(result));
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
    Request approval = card_request("0200", "10", kDefaultTrack, false, 30000, 0, kDefaultTermId);
    int r = Zelta_Send("127.0.0.1", port, approval.bytes.data(), response.data());
    show("card approval", approval, response.data(), r);
    int ack = Zelta_Ack();
    std::printf("-- Zelta_Ack: %d (%s)\n", ack, zposapp_ack_result_text(ack));

    Request declined = card_request("0200", "10", "5410123456789012=2812101", false, 45000, 0, kDefaultTermId);
    r = Zelta_Send("127.0.0.1", port, declined.bytes.data(), response.data());
    show("declined card (acknowledged automatically)", declined, response.data(), r);

    Request cash = card_request("0200", "21", "8001011234567", true, 12000, 0, kDefaultTermId);
    r = Zelta_Send("127.0.0.1", port, cash.bytes.data(), response.data());
    show("cash", cash, response.data(), r);
    Zelta_Ack();

    Request points = points_request("01", "01", kDefaultPointsTrack, 5000, kDefaultTermId);
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

int run_demo(const Command&, const Arguments& a) {
    bool keep = a.options.count("keep") > 0;
    return a.options.count("in-app-dir") ? run_demo_here(keep) : start_demo_copy(keep);
}

// One call of send, points, ack or download, prepared from its options.
int run_call(const Command& c, const Arguments& a) {
    Call call;
    if (!c.prepare(c, a.options, call)) return 2;
    int status = run(call);
    if (call.what == Call::What::Ack && status != 0)
        std::fprintf(stderr, "zpos: Zelta_Ack confirms an approval of the same process: use send --ack, or ack "
                             "after send in a session\n");
    return status;
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
    Arguments parsed;
    if (!parse_options(*c, std::vector<std::string>(argv + 2, argv + argc), parsed)) return 2;
    return c->run(*c, parsed);
}
