// What the parts of zpos share: a call prepared from a command's options
// (options.cpp), made (calls.cpp), run in sessions (session.cpp) and in the
// demo (demo.cpp); the command table and main() are zpos.cpp's.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "tools/common/options.h"
#include "zposapp_records.h"

namespace zpos::cli {

using tools::Arguments;
using tools::Option;

// The defaults every command shares; --help shows them.
inline constexpr const char* kDefaultHost = "127.0.0.1";
inline constexpr long kDefaultPort = 10902;
inline constexpr long kDefaultAmount = 1004;
inline constexpr const char* kDefaultTrack = "9410123456789012=2812101";
inline constexpr const char* kDefaultPointsTrack = "9400001234567890=2812";
inline constexpr const char* kDefaultTermId = "1200000001";

using Request = std::array<char, ZPOSAPP_REQUEST_SIZE>;

// One call of the library, prepared from its options, then made.
struct Call {
    enum class What { Send, Points, Ack, Download, Wait };
    What what = What::Send;
    Request request{};
    std::string host = kDefaultHost;
    long port = kDefaultPort;
    bool ack = false;
    std::string raw;
    std::string text;  // the download's request
    long wait_ms = 0;
};

struct Command;
using Prepare = bool (*)(const Command& c, const Arguments& a, Call& call);

// A command: its usage, its options and plain arguments, what runs it, and
// for the commands a session line may hold, how its options become a call.
struct Command {
    const char* name;
    const char* usage;
    std::vector<Option> options;
    std::size_t files;     // plain arguments it takes
    std::size_t optional;  // how many of them may be left out
    int (*run)(const Command& c, const Arguments& a);
    Prepare prepare;  // null: not a session line
};

const Command* find_command(const std::string& name);

// Where a usage error is: empty on the command line, "FILE:LINE: " in a session.
extern std::string g_where;

// Says what is wrong ("zpos: " and where first); returns 2, the usage status.
int fail(const char* text, const std::string& detail = "");

// ---- options.cpp ----

// Reads a command's words; false after saying what is wrong.
bool read_arguments(const Command& c, std::span<const std::string> words, Arguments& out);
bool number_option(const Arguments& a, const char* name, long fallback, long min, long max, long& value);
bool prepare_send(const Command& c, const Arguments& a, Call& call);
bool prepare_points(const Command& c, const Arguments& a, Call& call);
bool prepare_ack(const Command& c, const Arguments& a, Call& call);
bool prepare_download(const Command& c, const Arguments& a, Call& call);

// Requests as the demo and the commands build them, through the public
// record helpers; false when a value does not fit its field.
bool card_request(Request& r, const char* type, const char* kind, const std::string& track, bool keyed, long amount,
                  long months, const std::string& term_id);
bool points_request(Request& r, const std::string& sub, const std::string& media, const std::string& track,
                    long amount, const std::string& term_id);

// ---- calls.cpp ----

// Makes the call, showing the library's log lines while it waits; 0 done,
// 1 failed.
int run(const Call& call);
int run_call(const Command& c, const Arguments& a);

// ---- session.cpp, demo.cpp ----

int run_session(const Command& c, const Arguments& a);
int run_demo(const Command& c, const Arguments& a);

}  // namespace zpos::cli
