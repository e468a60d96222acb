// A scenario: what the simulated host answers (rules, names, numbers), which
// fault each connection meets and how long it holds each reply back; and the
// reading of scenario files. Nothing here touches a socket.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/host/faults.h"

namespace zpos::host {

// Which requests a rule matches; the first matching rule answers.
struct Rule {
    enum class Match { Any, Card, AmountAtLeast, Code };
    Match match = Match::Any;
    std::string value;      // card prefix, or the transaction code ("10", "C0", ...)
    long amount = 0;        // AmountAtLeast
    bool approve = true;
    std::string message;    // UTF-8; Hangul goes out as keystrokes
};

// The rule that declines cards beginning with `prefix`, answering `message`.
inline Rule decline_card(std::string prefix, std::string message = "") {
    Rule r;
    r.match = Rule::Match::Card;
    r.value = std::move(prefix);
    r.approve = false;
    r.message = std::move(message);
    return r;
}

struct Scenario {
    enum class Service { Link, Download };
    Service service = Service::Link;
    // One entry per connection, in the order they come; the last entry holds
    // for every later connection, so a single entry means every connection.
    std::vector<Fault> faults{Fault::None};
    std::vector<int> reply_delays_ms{0};  // how long a reply to a request waits
    int fault_count = 2;         // RepeatEnq
    int accept_delay_ms = 0;     // SlowAccept
    int frame_gap_ms = 100;      // pause between separate frames after the ACK,
                                 // and between the bytes of trickle-body
    char no_eot_byte = 'A';      // last byte of the frames that are not EOT
    bool answer_management = true;
    std::vector<Rule> rules;     // none: approve everything
    std::string approval_no = "12345678";
    std::string issuer_code = "0100";
    std::string issuer_name = "\xEA\xB5\xAD\xEB\xAF\xBC\xEC\xB9\xB4\xEB\x93\x9C";  // 국민카드
    std::string merchant_no = "987654321";
    std::string tran_datetime = "261206120000";
    std::string download_answer = "0000DOWNLOAD OK";
    std::string record_path;     // every frame is appended here when set
    std::string pcap_path;       // every frame as a loopback TCP packet (pcapng)

    // Connections are counted from 0.
    Fault fault_for(int connection) const;
    int reply_delay_for(int connection) const;
};

// "no-enq,silent-after-request,none": the faults of one connection after the
// other. False when a name is unknown or the list is empty.
bool parse_faults(std::string_view list, std::vector<Fault>& out);
// "0,0,3000": reply delays in milliseconds, one connection after the other.
bool parse_delays(std::string_view list, std::vector<int>& out);

// Whether the host can create or write the file at `path` (its folder exists
// and is writable); false with the reason in `why`.
bool writable_path(const std::string& path, std::string& why);

// Reads a scenario file (see docs/host-simulator.md). False with `error` set
// when a line is not understood (the error names the line and what it takes)
// or names a record or capture file that cannot be written; `warnings` gets a
// line for each text longer than the POS will see of it.
bool load_scenario(const std::string& path, Scenario& out, std::string& error,
                   std::vector<std::string>* warnings = nullptr);

}  // namespace zpos::host
