// The host simulator's sessions: one connection at a time, each run through the
// link protocol (or the download's single answer) with the scenario's fault.
// Its own unmasking and check byte, so it verifies the library rather than
// agreeing with it.
#include "tools/host/host_sim.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/common/keystrokes.h"

namespace zpos::host {

namespace {
constexpr int kPollMs = 50;
constexpr char kSTX = 0x02, kETX = 0x03, kFS = 0x1C;
const std::string kEnqFrame("\x00\x01\x05", 3);
const std::string kNakFrame("\x00\x01\x15", 3);
const std::string kAckFrame("\x00\x01\x06", 3);
const std::string kEotFrame("\x00\x01\x04", 3);

struct FaultName {
    Fault fault;
    const char* name;
};
constexpr FaultName kFaultNames[] = {
    {Fault::None, "none"},
    {Fault::NoEnq, "no-enq"},
    {Fault::ShortEnq, "short-enq"},
    {Fault::WrongThirdByte, "wrong-third-byte"},
    {Fault::EnqWithExtra, "enq-with-extra"},
    {Fault::SilentAfterRequest, "silent-after-request"},
    {Fault::NakReply, "nak-reply"},
    {Fault::ShortFrame, "short-frame"},
    {Fault::RepeatEnq, "repeat-enq"},
    {Fault::ShortBody, "short-body"},
    {Fault::OversizeLength, "oversize-length"},
    {Fault::ZeroLength, "zero-length"},
    {Fault::NoEot, "no-eot"},
    {Fault::EotInFifth, "eot-in-fifth"},
    {Fault::FramesWithoutEot, "frames-without-eot"},
    {Fault::ShortEot, "short-eot"},
    {Fault::SlowAccept, "slow-accept"},
};

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string hex(const std::string& bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x ", c);
        out += b;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

unsigned char key_of(std::size_t length) {
    unsigned char low = static_cast<unsigned char>(length & 0xFF);
    return low ? low : static_cast<unsigned char>((length >> 8) & 0xFF);
}

void unmask(std::string& bytes) {
    unsigned char k = key_of(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ ((i + 1) % 127) ^ k);
}

unsigned char xor_of(const std::string& s, std::size_t from, std::size_t to) {
    unsigned char x = 0;
    for (std::size_t i = from; i < to && i < s.size(); ++i) x ^= static_cast<unsigned char>(s[i]);
    return x;
}

std::vector<std::string> split_fs(const std::string& s) {
    std::vector<std::string> out(1);
    for (char c : s) {
        if (c == kFS)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

std::string rest_of(std::istringstream& in) {
    std::string rest;
    std::getline(in, rest);
    std::size_t b = rest.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : rest.substr(b);
}
}  // namespace

const char* fault_name(Fault f) {
    for (const auto& n : kFaultNames)
        if (n.fault == f) return n.name;
    return "?";
}

bool fault_from_name(const std::string& name, Fault& f) {
    for (const auto& n : kFaultNames)
        if (name == n.name) {
            f = n.fault;
            return true;
        }
    return false;
}

bool load_scenario(const std::string& path, Scenario& out, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream in(line);
        std::string word;
        if (!(in >> word) || word[0] == '#') continue;
        bool ok = true;
        if (word == "service") {
            std::string v;
            in >> v;
            ok = v == "link" || v == "download";
            out.service = v == "download" ? Scenario::Service::Download : Scenario::Service::Link;
        } else if (word == "fault") {
            std::string v;
            in >> v;
            ok = fault_from_name(v, out.fault);
            int count = 0;
            if (in >> count) out.fault_count = count;
        } else if (word == "delay") {
            ok = static_cast<bool>(in >> out.accept_delay_ms);
        } else if (word == "gap") {
            ok = static_cast<bool>(in >> out.frame_gap_ms);
        } else if (word == "management") {
            std::string v;
            in >> v;
            out.answer_management = v != "off";
        } else if (word == "approve" || word == "decline") {
            Rule r;
            r.approve = word == "approve";
            std::string what;
            in >> what;
            if (what == "card") {
                r.match = Rule::Match::Card;
                in >> r.value;
            } else if (what == "amount") {
                r.match = Rule::Match::AmountAtLeast;
                ok = static_cast<bool>(in >> r.amount);
            } else if (what == "code") {
                r.match = Rule::Match::Code;
                in >> r.value;
            } else {
                ok = what == "any";
            }
            r.message = rest_of(in);
            out.rules.push_back(r);
        } else if (word == "approval") {
            in >> out.approval_no;
        } else if (word == "issuer") {
            in >> out.issuer_code;
            out.issuer_name = rest_of(in);
        } else if (word == "merchant") {
            in >> out.merchant_no;
        } else if (word == "datetime") {
            in >> out.tran_datetime;
        } else if (word == "answer") {
            out.download_answer = rest_of(in);
        } else if (word == "record") {
            in >> out.record_path;
        } else {
            ok = false;
        }
        if (!ok) {
            error = path + ":" + std::to_string(number) + ": not understood: " + line;
            return false;
        }
    }
    return true;
}

std::string reply_body(const Scenario& scenario, const SeenRequest& request) {
    const char* default_text = request.approved ? "\xEC\xA0\x95\xEC\x83\x81\xEC\x8A\xB9\xEC\x9D\xB8"  // 정상승인
                                                : "\xEA\xB1\xB0\xEB\x9E\x98\xEA\xB1\xB0\xEC\xA0\x88";  // 거래거절
    std::string message = default_text;
    for (const auto& r : scenario.rules) {
        bool hit = r.match == Rule::Match::Any ||
                   (r.match == Rule::Match::Card && request.card.compare(0, r.value.size(), r.value) == 0) ||
                   (r.match == Rule::Match::AmountAtLeast && request.amount >= r.amount) ||
                   (r.match == Rule::Match::Code && request.code == r.value);
        if (hit) {
            if (!r.message.empty()) message = r.message;
            break;
        }
    }
    std::string amount = std::to_string(request.amount);
    // All 47 fields, as the host sends them: the ETX then lands in field 46,
    // whose length prefix 0000 keeps it out, and not in a field the POS reads.
    constexpr int kFields = 47;
    std::string fields[kFields] = {
        "",                                                   // 0
        message,                                              // 1 message line 1
        request.approved ? scenario.approval_no : "",         // 2 approval number
        request.approved ? "O" : "X",                         // 3 approval flag
        scenario.issuer_code, scenario.issuer_name,           // 4, 5
        scenario.merchant_no, scenario.tran_datetime,         // 6, 7
        "", "", "",                                           // 8 to 10
        scenario.issuer_code, scenario.issuer_name,           // 11, 12 acquirer
        "", scenario.issuer_name, scenario.issuer_code,       // 13 to 15
        "", amount, "0", "0",                                 // 16 to 19
        message, "", "",                                      // 20 to 22
        scenario.approval_no,                                 // 23
    };
    fields[46] = "0000";  // 24 to 45 empty
    std::string body;
    body += kSTX;
    body += "RPOS" + (request.code.size() == 2 ? request.code : std::string("00"));
    for (int i = 0; i < kFields; ++i) {
        if (i) body += kFS;
        body += test::spell_for_wire(fields[i]);
    }
    body += kETX;
    body += static_cast<char>(xor_of(body, 1, body.size()));
    return body;
}

std::string link_frame(const std::string& plain_body) {
    std::string masked = plain_body;
    unmask(masked);  // the mask is its own inverse
    std::string frame;
    frame += static_cast<char>((plain_body.size() >> 8) & 0xFF);
    frame += static_cast<char>(plain_body.size() & 0xFF);
    return frame + masked;
}

HostSim::HostSim(Scenario scenario) : scenario_(std::move(scenario)) {}

HostSim::~HostSim() { stop(); }

bool HostSim::start(int port) {
    bool slow = scenario_.fault == Fault::SlowAccept;
    listener_ = platform::socket_listen_loopback(port, slow ? 0 : 8, port_);
    if (listener_ == platform::kNoSocket) return false;
    std::vector<platform::Socket> fillers;
    if (slow) {
        // A full accept queue makes the system drop new handshakes: the
        // client's connect then waits for its own retransmission.
        std::uint32_t loopback = 0;
        platform::socket_address("127.0.0.1", false, loopback);
        for (int i = 0; i < 4; ++i) {
            platform::Socket c = platform::socket_open();
            platform::socket_set_nonblocking(c, true);
            platform::socket_connect(c, loopback, port_);
            bool rd = false, wr = false;
            int error = 1;
            bool done = platform::socket_select_connect(c, 100, rd, wr) > 0 &&
                        platform::socket_pending_error(c, error) && error == 0;
            if (!done) {
                platform::socket_close(c);
                break;
            }
            fillers.push_back(c);
        }
    }
    thread_ = std::thread([this, fillers] {
        if (!fillers.empty()) {
            for (int waited = 0; waited < scenario_.accept_delay_ms && !stopping_; waited += 10) sleep_ms(10);
            for (std::size_t i = 0; i < fillers.size(); ++i) {
                platform::socket_close(platform::socket_accept(listener_));
                platform::socket_close(fillers[i]);
            }
        }
        serve();
    });
    return true;
}

void HostSim::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    thread_.join();
    platform::socket_close(listener_);
    listener_ = platform::kNoSocket;
}

std::vector<SeenFrame> HostSim::frames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

std::vector<SeenRequest> HostSim::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

int HostSim::naks_seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto& f : frames_)
        if (f.from_client && f.bytes == kNakFrame) ++n;
    return n;
}

void HostSim::serve() {
    for (;;) {
        bool ready = false;
        int r = platform::socket_select_read(listener_, kPollMs, ready);
        if (r <= 0 || !ready) {
            if (stopping_) return;
            continue;
        }
        platform::Socket s = platform::socket_accept(listener_);
        if (s == platform::kNoSocket) continue;
        ++connections_;
        platform::socket_no_delay(s);
        if (scenario_.service == Scenario::Service::Download)
            serve_download(s);
        else
            serve_link(s);
        platform::socket_close(s);
    }
}

bool HostSim::wait_readable(platform::Socket s) {
    for (;;) {
        bool ready = false;
        int r = platform::socket_select_read(s, kPollMs, ready);
        if (r > 0 && ready) return true;
        if (r < 0 || stopping_) return false;
    }
}

bool HostSim::read_exact(platform::Socket s, std::string& out, std::size_t n) {
    out.clear();
    char buf[4096];
    while (out.size() < n) {
        if (!wait_readable(s)) return false;
        std::size_t want = n - out.size() < sizeof buf ? n - out.size() : sizeof buf;
        long got = platform::socket_recv(s, buf, want);
        if (got <= 0) return false;
        out.append(buf, static_cast<std::size_t>(got));
    }
    return true;
}

bool HostSim::read_frame(platform::Socket s, std::string& frame) {
    std::string head, body;
    if (!read_exact(s, head, 2)) return false;
    std::size_t n = (static_cast<unsigned char>(head[0]) << 8) | static_cast<unsigned char>(head[1]);
    if (!read_exact(s, body, n)) {
        record(true, head + body);
        return false;
    }
    frame = head + body;
    record(true, frame);
    return true;
}

void HostSim::send_bytes(platform::Socket s, const std::string& bytes) {
    record(false, bytes);
    platform::socket_send(s, bytes.data(), bytes.size());
}

void HostSim::drain(platform::Socket s) {
    std::string frame;
    while (read_frame(s, frame)) {
    }
}

void HostSim::record(bool from_client, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back({from_client, bytes});
    if (!scenario_.record_path.empty())
        std::ofstream(scenario_.record_path, std::ios::app) << (from_client ? "C> " : "H> ") << hex(bytes) << '\n';
}

void HostSim::record_request(const SeenRequest& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(r);
    if (!scenario_.record_path.empty())
        std::ofstream(scenario_.record_path, std::ios::app)
            << "REQ type=" << (r.type ? r.type : '?') << " code=" << r.code << " tid=" << r.term_id
            << " card=" << r.card << " amount=" << r.amount << " check=" << (r.check_ok ? "ok" : "BAD")
            << " length=" << (r.length_ok ? "ok" : "BAD") << " answer=" << (r.approved ? "approve" : "decline")
            << '\n';
}

SeenRequest HostSim::decode_request(const std::string& frame) {
    SeenRequest r;
    if (frame.size() < 4) return r;
    std::size_t m = (static_cast<unsigned char>(frame[2]) << 8) | static_cast<unsigned char>(frame[3]);
    if (4 + m > frame.size() || m < 3) return r;
    std::string msg = frame.substr(4, m);
    unmask(msg);
    r.block = frame.substr(4 + m);
    r.type = msg[1];
    r.check_ok = static_cast<unsigned char>(msg[m - 1]) == xor_of(msg, 1, m - 1) && msg[m - 2] == kETX;
    std::size_t start = 0;
    if (r.type == 'I' && m > 13) {
        r.length_ok = std::atoi(msg.substr(3, 4).c_str()) == static_cast<int>(m);
        r.code = msg.substr(10, 2);
        start = 13;
    } else if (r.type == 'S' && m > 8) {
        r.length_ok = true;  // the management message has no length field
        r.code = msg.substr(5, 2);
        start = 8;
    }
    r.fields = split_fs(msg.substr(start, m - 2 - start));
    bool split = r.type == 'I' ? (r.code == "C0" || r.code == "C1" || r.code == "40") : r.fields.size() == 26;
    std::size_t amount_at = split ? 4 : 3;
    if (r.fields.size() > amount_at) {
        r.term_id = r.fields[0].substr(0, r.fields[0].find('\0'));
        r.card = r.fields[1];
        if (split) r.expiry = r.fields[2];
        r.amount = std::atol(r.fields[amount_at].c_str());
    }
    r.approved = true;
    for (const auto& rule : scenario_.rules) {
        bool hit = rule.match == Rule::Match::Any ||
                   (rule.match == Rule::Match::Card && r.card.compare(0, rule.value.size(), rule.value) == 0) ||
                   (rule.match == Rule::Match::AmountAtLeast && r.amount >= rule.amount) ||
                   (rule.match == Rule::Match::Code && r.code == rule.value);
        if (hit) {
            r.approved = rule.approve;
            break;
        }
    }
    return r;
}

void HostSim::serve_download(platform::Socket s) {
    if (!wait_readable(s)) return;
    char buf[1024];
    long got = platform::socket_recv(s, buf, sizeof buf);
    if (got <= 0) return;
    record(true, std::string(buf, static_cast<std::size_t>(got)));
    send_bytes(s, scenario_.download_answer);
    std::string rest;
    read_exact(s, rest, 1);  // until the client closes
}

void HostSim::serve_link(platform::Socket s) {
    const Fault fault = scenario_.fault;
    switch (fault) {
        case Fault::NoEnq: return drain(s);
        case Fault::ShortEnq: send_bytes(s, std::string("\x00\x01", 2)); return drain(s);
        case Fault::WrongThirdByte: send_bytes(s, std::string("\x00\x01\x06", 3)); return drain(s);
        case Fault::EnqWithExtra: send_bytes(s, kEnqFrame + "ABC"); break;
        default: send_bytes(s, kEnqFrame); break;
    }

    std::string frame;
    if (!read_frame(s, frame)) return;
    SeenRequest request = decode_request(frame);
    record_request(request);
    bool management = request.type == 'S';
    if (management && !scenario_.answer_management) return;

    if (!management) {
        switch (fault) {
            case Fault::SilentAfterRequest: return drain(s);
            case Fault::NakReply:
            case Fault::ShortFrame: {
                const std::string answer = fault == Fault::NakReply ? kNakFrame : std::string("\x00\x02\x41\x42", 4);
                send_bytes(s, answer);
                while (read_frame(s, frame))
                    if (frame == kNakFrame) send_bytes(s, answer);
                return;
            }
            case Fault::RepeatEnq:
                for (int i = 0; i < scenario_.fault_count; ++i) send_bytes(s, kEnqFrame);
                break;
            case Fault::ShortBody:
                send_bytes(s, std::string("\x00\x32", 2) + std::string(20, 'B'));
                return;
            case Fault::OversizeLength:
                send_bytes(s, std::string("\x0B\xB9", 2) + std::string(10, 'B'));
                return drain(s);
            case Fault::ZeroLength: send_bytes(s, std::string("\x00\x00X", 3)); return drain(s);
            default: break;
        }
    }

    send_bytes(s, link_frame(reply_body(scenario_, request)));
    if (!read_frame(s, frame) || frame != kAckFrame || management) return drain(s);

    switch (fault) {
        case Fault::NoEot: break;
        case Fault::EotInFifth:
        case Fault::FramesWithoutEot:
            for (int i = 0; i < 5; ++i) {
                sleep_ms(scenario_.frame_gap_ms);
                send_bytes(s, i == 4 && fault == Fault::EotInFifth ? kEotFrame
                                                                   : std::string("\x00\x01", 2) + scenario_.no_eot_byte);
            }
            break;
        case Fault::ShortEot: send_bytes(s, std::string("\x04\x04", 2)); break;
        default: send_bytes(s, kEotFrame); break;
    }
    drain(s);
}

}  // namespace zpos::host
