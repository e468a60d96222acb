// zpos-host as a library: a payment host simulator on a loopback TCP port that
// speaks the host link (ENQ, masked request, masked reply, NAK, ACK, EOT), the
// management message and the download, answers from a scenario, can misbehave
// in the ways a real host does, and records every frame it saw.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/socket.h"

namespace zpos::host {

// Misbehaviours, one per scenario.
enum class Fault {
    None,
    NoEnq,              // accepts and stays silent
    ShortEnq,           // sends two bytes only
    WrongThirdByte,     // 00 01 06 instead of ENQ
    EnqWithExtra,       // ENQ and more bytes in one segment
    SilentAfterRequest, // reads the request and NAKs, never answers
    NakReply,           // answers the request and every NAK with 00 01 15
    ShortFrame,         // answers with a two-byte frame 00 02 41 42
    RepeatEnq,          // `fault_count` ENQ frames, then the reply
    ShortBody,          // announces 50 bytes, sends 20 and closes
    StalledBody,        // announces 50 bytes, sends 20 and stays silent, connection open
    TrickleBody,        // announces 50 bytes, sends one every `frame_gap_ms`
    OversizeLength,     // announces 3001 bytes
    ZeroLength,         // announces 0 bytes and sends one
    NoEot,              // never answers the ACK
    EotInFifth,         // four frames without EOT, the fifth ends in EOT
    FramesWithoutEot,   // five frames without EOT
    ShortEot,           // 2-byte answer 04 04 to the ACK
    SlowAccept,         // connections wait `accept_delay_ms` before a handshake
};

const char* fault_name(Fault f);
bool fault_from_name(const std::string& name, Fault& f);

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
    Fault fault = Fault::None;
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
};

// Reads a scenario file (see tools/host/README). False with `error` set when a
// line is not understood.
bool load_scenario(const std::string& path, Scenario& out, std::string& error);

// One request the host decoded.
struct SeenRequest {
    char type = 0;              // 'I' transaction, 'S' management
    std::string code;           // transaction code, "11" for management
    std::string term_id;
    std::string card;           // track2 or card number
    std::string expiry;         // split form only
    long amount = 0;
    bool check_ok = false;      // check byte matched
    bool length_ok = false;     // length field equals the message length
    bool approved = false;
    std::vector<std::string> fields;  // every FS-separated field after the header
    std::string block;          // security block after the message
};

struct SeenFrame {
    bool from_client = true;
    std::string bytes;          // as on the wire
};

class HostSim {
public:
    explicit HostSim(Scenario scenario);
    ~HostSim();
    HostSim(const HostSim&) = delete;
    HostSim& operator=(const HostSim&) = delete;

    // Binds 127.0.0.1:`port` (0 = a free port) and serves on its own thread.
    bool start(int port = 0);
    // Finishes the connection at hand (what the client already sent is read)
    // and stops.
    void stop();
    int port() const { return port_; }

    std::vector<SeenFrame> frames() const;
    std::vector<SeenRequest> requests() const;
    int connections() const { return connections_; }
    int naks_seen() const;

private:
    void serve();
    void serve_link(platform::Socket s);
    void serve_download(platform::Socket s);
    bool read_exact(platform::Socket s, std::string& out, std::size_t n);
    bool read_frame(platform::Socket s, std::string& frame);
    bool wait_readable(platform::Socket s);
    void send_bytes(platform::Socket s, const std::string& bytes);
    void drain(platform::Socket s);
    void record(bool from_client, const std::string& bytes);
    void record_request(const SeenRequest& r);
    SeenRequest decode_request(const std::string& frame);
    std::string build_reply(const SeenRequest& r) const;

    Scenario scenario_;
    platform::Socket listener_ = platform::kNoSocket;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<SeenFrame> frames_;
    std::vector<SeenRequest> requests_;
};

// The reply body the host sends for a decoded request (plain, before masking):
// STX, six header bytes, fields 0 to 46 (46 empty behind its length 0000),
// ETX, check byte.
std::string reply_body(const Scenario& scenario, const SeenRequest& request);
// The link frame of a plain body: length, then the body masked with its key.
std::string link_frame(const std::string& plain_body);

}  // namespace zpos::host
