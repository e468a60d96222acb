// The simulator's sessions: connections served one at a time, each run
// through the link protocol (or the download's single answer) with the fault
// and the reply delay the scenario gives that connection; every frame goes to
// the record file and the capture as it passes.
#include <chrono>
#include <fstream>

#include "tools/common/wire.h"
#include "tools/host/host_sim.h"

namespace zpos::host {

using tools::hex;
using tools::kAckFrame;
using tools::kEnqFrame;
using tools::kEotFrame;
using tools::kNakFrame;
using tools::Socket;

namespace {
constexpr int kPollMs = 50;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Sleeps `ms` in short steps, ending early once the host stops.
void pause_unless(const std::atomic<bool>& stopping, int ms) {
    for (int waited = 0; waited < ms && !stopping; waited += 10) sleep_ms(10);
}
}  // namespace

// One accepted connection: its reads and writes, each recorded as it passes.
class Connection {
public:
    Connection(HostSim& host, Socket s) : host_(host), s_(s) {}

    const Scenario& scenario() const { return host_.scenario_; }
    bool stopping() const { return host_.stopping_; }
    void pause(int ms) { pause_unless(host_.stopping_, ms); }

    bool wait_readable() {
        for (;;) {
            int r = tools::wait_readable(s_, kPollMs);
            if (r > 0) return true;
            if (r < 0 || host_.stopping_) return false;
        }
    }

    bool read_exact(std::string& out, std::size_t n) {
        out.clear();
        char buf[4096];
        while (out.size() < n) {
            if (!wait_readable()) return false;
            std::size_t want = n - out.size() < sizeof buf ? n - out.size() : sizeof buf;
            long got = tools::recv_some(s_, buf, want);
            if (got <= 0) {
                client_closed_ = true;  // its close, or its reset
                return false;
            }
            out.append(buf, static_cast<std::size_t>(got));
        }
        return true;
    }

    bool read_frame(std::string& frame) {
        std::string head, body;
        if (!read_exact(head, 2)) return false;
        if (!read_exact(body, tools::length_at(head, 0))) {
            host_.record(true, head + body);
            return false;
        }
        frame = head + body;
        host_.record(true, frame);
        return true;
    }

    // Sends `bytes`; false when the client is gone.
    bool send(std::string_view bytes) {
        host_.record(false, std::string(bytes));
        return tools::send_some(s_, bytes.data(), bytes.size()) > 0;
    }

    // One read of what the client sent, however much it is; recorded.
    bool read_some(std::string& out) {
        if (!wait_readable()) return false;
        char buf[1024];
        long got = tools::recv_some(s_, buf, sizeof buf);
        if (got <= 0) return false;
        out.assign(buf, static_cast<std::size_t>(got));
        host_.record(true, out);
        return true;
    }

    void seen(const SeenRequest& r, bool answered) { host_.record_request(r, answered); }

    // Reads and records what the client still sends, until it closes.
    void drain() {
        std::string frame;
        while (read_frame(frame)) {
        }
    }

    // Whether the client closed before the host: it was read, or it waits
    // unread (the host stopped reading after its last frame).
    bool client_closed_first() { return client_closed_ || tools::peer_closed(s_); }
    void client_gone() { client_closed_ = true; }

private:
    HostSim& host_;
    Socket s_;
    bool client_closed_ = false;
};

namespace {

// Where in the exchange a fault acts: in place of the ENQ, between the
// request and the reply, or in place of the EOT after the ACK.
enum class Stage { Greeting, Request, Ack };

// What a fault does at its stage; false when the exchange ends there.
using Play = bool (*)(Connection&);

struct FaultPlay {
    Fault fault;
    Stage stage;
    Play play;
};

bool sends(Connection& c, std::string_view bytes, bool goes_on) {
    c.send(bytes);
    return goes_on;
}

bool silent(Connection& c) {
    c.drain();
    return false;
}

bool send_then_silent(Connection& c, std::string_view bytes) {
    c.send(bytes);
    return silent(c);
}

// The answer, again for every NAK, never a reply.
bool answer_every_nak(Connection& c, std::string_view answer) {
    c.send(answer);
    std::string frame;
    while (c.read_frame(frame))
        if (frame == kNakFrame) c.send(answer);
    return false;
}

// Fifty body bytes announced, then sent one by one.
bool trickle(Connection& c) {
    c.send(std::string("\x00\x32", 2));
    for (int i = 0; i < 50 && !c.stopping(); ++i) {
        sleep_ms(c.scenario().frame_gap_ms);
        if (!c.send("B")) {  // the client gave up
            c.client_gone();
            return false;
        }
    }
    return silent(c);
}

// Five frames after the ACK, the fifth ending in EOT when `eot_last`.
bool frames_after_ack(Connection& c, bool eot_last) {
    for (int i = 0; i < 5; ++i) {
        sleep_ms(c.scenario().frame_gap_ms);
        c.send(i == 4 && eot_last ? std::string(kEotFrame) : std::string("\x00\x01", 2) + c.scenario().no_eot_byte);
    }
    return true;
}

const std::string kTwentyOfFifty = std::string("\x00\x32", 2) + std::string(20, 'B');

// Every fault but slow-accept, which acts before any connection (start()).
const FaultPlay kFaultPlays[] = {
    {Fault::NoEnq, Stage::Greeting, silent},
    {Fault::ShortEnq, Stage::Greeting, [](Connection& c) { return send_then_silent(c, std::string("\x00\x01", 2)); }},
    {Fault::WrongThirdByte, Stage::Greeting,
     [](Connection& c) { return send_then_silent(c, std::string("\x00\x01\x06", 3)); }},
    {Fault::EnqWithExtra, Stage::Greeting, [](Connection& c) { return sends(c, std::string(kEnqFrame) + "ABC", true); }},
    {Fault::SilentAfterRequest, Stage::Request, silent},
    {Fault::NakReply, Stage::Request, [](Connection& c) { return answer_every_nak(c, kNakFrame); }},
    {Fault::ShortFrame, Stage::Request,
     [](Connection& c) { return answer_every_nak(c, std::string("\x00\x02\x41\x42", 4)); }},
    {Fault::RepeatEnq, Stage::Request,
     [](Connection& c) {
         for (int i = 0; i < c.scenario().fault_count; ++i) c.send(kEnqFrame);
         return true;
     }},
    {Fault::ShortBody, Stage::Request, [](Connection& c) { return sends(c, kTwentyOfFifty, false); }},
    {Fault::StalledBody, Stage::Request, [](Connection& c) { return send_then_silent(c, kTwentyOfFifty); }},
    {Fault::TrickleBody, Stage::Request, trickle},
    {Fault::OversizeLength, Stage::Request,
     [](Connection& c) { return send_then_silent(c, std::string("\x0B\xB9", 2) + std::string(10, 'B')); }},
    {Fault::ZeroLength, Stage::Request, [](Connection& c) { return send_then_silent(c, std::string("\x00\x00X", 3)); }},
    {Fault::NoEot, Stage::Ack, [](Connection&) { return true; }},
    {Fault::EotInFifth, Stage::Ack, [](Connection& c) { return frames_after_ack(c, true); }},
    {Fault::FramesWithoutEot, Stage::Ack, [](Connection& c) { return frames_after_ack(c, false); }},
    {Fault::ShortEot, Stage::Ack, [](Connection& c) { return sends(c, std::string("\x04\x04", 2), true); }},
};

// The host's own step where no fault acts: the ENQ, nothing, the EOT.
bool play(Connection& c, Fault fault, Stage stage) {
    for (const FaultPlay& p : kFaultPlays)
        if (p.fault == fault && p.stage == stage) return p.play(c);
    if (stage == Stage::Greeting) c.send(kEnqFrame);
    if (stage == Stage::Ack) c.send(kEotFrame);
    return true;
}

void serve_download(Connection& c) {
    std::string request, rest;
    if (!c.read_some(request)) return;
    c.send(c.scenario().download_answer);
    c.read_exact(rest, 1);  // until the client closes
}

void serve_link(Connection& c, Fault fault, int reply_delay_ms) {
    if (!play(c, fault, Stage::Greeting)) return;
    std::string frame;
    if (!c.read_frame(frame)) return;
    const Scenario& scenario = c.scenario();
    SeenRequest request = decode_request(scenario, frame);
    bool management = request.type == 'S';
    c.seen(request, management ? scenario.answer_management : fault_lets_reply_out(fault));
    if (management && !scenario.answer_management) return;
    if (!management && !play(c, fault, Stage::Request)) return;

    c.pause(reply_delay_ms);
    const std::string reply = tools::link_frame(reply_body(scenario, request));
    c.send(reply);
    // A NAK asks for the reply again, also one the POS sent while the reply
    // was held back.
    while (c.read_frame(frame) && frame == kNakFrame) c.send(reply);
    if (frame == kAckFrame && !management) play(c, fault, Stage::Ack);
    c.drain();
}

}  // namespace

HostSim::HostSim(Scenario scenario) : scenario_(std::move(scenario)) {}

HostSim::~HostSim() { stop(); }

bool HostSim::start(int port) {
    if (!scenario_.pcap_path.empty() && !pcap_.open(scenario_.pcap_path)) return false;
    bool slow = scenario_.fault_for(0) == Fault::SlowAccept;
    listener_ = tools::listen_loopback(port, slow ? 0 : 8, port_);
    if (listener_ == tools::kNoSocket) return false;
    std::vector<Socket> fillers;
    // A full accept queue makes the system drop new handshakes: the client's
    // connect then waits for its own retransmission.
    for (int i = 0; slow && i < 4; ++i) {
        Socket c = tools::connect_loopback(port_, 100);
        if (c == tools::kNoSocket) break;
        fillers.push_back(c);
    }
    thread_ = std::thread([this, fillers] {
        if (!fillers.empty()) {
            pause_unless(stopping_, scenario_.accept_delay_ms);
            for (Socket filler : fillers) {
                tools::close_socket(tools::accept_connection(listener_));
                tools::close_socket(filler);
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
    tools::close_socket(listener_);
    listener_ = tools::kNoSocket;
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
        if (tools::wait_readable(listener_, kPollMs) <= 0) {
            if (stopping_) return;
            continue;
        }
        Socket s = tools::accept_connection(listener_);
        if (s == tools::kNoSocket) continue;
        int connection = connections_++;
        tools::send_at_once(s);
        int client_port = tools::peer_port(s);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pcap_.open_connection(client_port, port_);
        }
        Connection c(*this, s);
        if (scenario_.service == Scenario::Service::Download) {
            serve_download(c);
        } else {
            Fault fault = scenario_.fault_for(connection);
            int delay = scenario_.reply_delay_for(connection);
            record_connection(connection, client_port, fault, delay);
            serve_link(c, fault, delay);
        }
        bool client_first = c.client_closed_first();
        tools::close_socket(s);
        std::lock_guard<std::mutex> lock(mutex_);
        pcap_.close_connection(client_first);
    }
}

void HostSim::record(bool from_client, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.push_back({from_client, bytes});
    pcap_.segment(from_client, bytes);
    if (!scenario_.record_path.empty())
        std::ofstream(scenario_.record_path, std::ios::app) << (from_client ? "C> " : "H> ") << hex(bytes) << '\n';
}

void HostSim::record_connection(int connection, int client_port, Fault fault, int reply_delay_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!scenario_.record_path.empty())
        std::ofstream(scenario_.record_path, std::ios::app)
            << "CONN " << connection + 1 << " port=" << client_port << " fault=" << fault_name(fault)
            << " reply-delay=" << reply_delay_ms << '\n';
}

void HostSim::record_request(const SeenRequest& r, bool answered) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(r);
    if (!scenario_.record_path.empty())
        std::ofstream(scenario_.record_path, std::ios::app)
            << "REQ type=" << (r.type ? r.type : '?') << " code=" << r.code << " tid=" << r.term_id
            << " card=" << r.card << " amount=" << r.amount << " check=" << (r.check_ok ? "ok" : "BAD")
            << " length=" << (r.length_ok ? "ok" : "BAD")
            << " answer=" << (!answered ? "none" : r.approved ? "approve" : "decline") << '\n';
}

}  // namespace zpos::host
