// The simulator's sessions: connections served one at a time, each run
// through the link protocol (or the download's single answer) with the fault
// and the reply delay the scenario gives that connection; every frame goes to
// the record file and the capture as it passes.
#include "tools/host/host_sim.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <fstream>

#include "tests/common/wire.h"

namespace zpos::host {

using test::hex;
using test::kAckFrame;
using test::kEnqFrame;
using test::kEotFrame;
using test::kNakFrame;
using test::length_at;
using test::link_frame;

namespace {
constexpr int kPollMs = 50;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The client's port of an accepted connection, for the capture.
int peer_port(platform::Socket s) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (getpeername(static_cast<int>(s), reinterpret_cast<sockaddr*>(&peer), &size) != 0) return 0;
    return ntohs(peer.sin_port);
}
}  // namespace

HostSim::HostSim(Scenario scenario) : scenario_(std::move(scenario)) {}

HostSim::~HostSim() { stop(); }

bool HostSim::start(int port) {
    if (!scenario_.pcap_path.empty() && !pcap_.open(scenario_.pcap_path)) return false;
    bool slow = scenario_.fault_for(0) == Fault::SlowAccept;
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
            pause(scenario_.accept_delay_ms);
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
        int connection = connections_++;
        platform::socket_no_delay(s);
        int client_port = peer_port(s);
        client_closed_ = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pcap_.open_connection(client_port, port_);
        }
        if (scenario_.service == Scenario::Service::Download) {
            serve_download(s);
        } else {
            Fault fault = scenario_.fault_for(connection);
            int delay = scenario_.reply_delay_for(connection);
            record_connection(connection, client_port, fault, delay);
            serve_link(s, fault, delay);
        }
        bool client_first = client_closed(s);
        platform::socket_close(s);
        std::lock_guard<std::mutex> lock(mutex_);
        pcap_.close_connection(client_first);
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

void HostSim::pause(int ms) {
    for (int waited = 0; waited < ms && !stopping_; waited += 10) sleep_ms(10);
}

bool HostSim::read_exact(platform::Socket s, std::string& out, std::size_t n) {
    out.clear();
    char buf[4096];
    while (out.size() < n) {
        if (!wait_readable(s)) return false;
        std::size_t want = n - out.size() < sizeof buf ? n - out.size() : sizeof buf;
        long got = platform::socket_recv(s, buf, want);
        if (got <= 0) {
            client_closed_ = true;  // its close, or its reset
            return false;
        }
        out.append(buf, static_cast<std::size_t>(got));
    }
    return true;
}

// Whether the client closed before the host: it was read, or it waits unread
// (the host stopped reading after its last frame).
bool HostSim::client_closed(platform::Socket s) {
    if (client_closed_) return true;
    bool ready = false;
    if (platform::socket_select_read(s, 0, ready) <= 0 || !ready) return false;
    char byte = 0;
    return ::recv(static_cast<int>(s), &byte, 1, MSG_PEEK) == 0;
}

bool HostSim::read_frame(platform::Socket s, std::string& frame) {
    std::string head, body;
    if (!read_exact(s, head, 2)) return false;
    if (!read_exact(s, body, length_at(head, 0))) {
        record(true, head + body);
        return false;
    }
    frame = head + body;
    record(true, frame);
    return true;
}

void HostSim::send_bytes(platform::Socket s, std::string_view bytes) {
    record(false, std::string(bytes));
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

void HostSim::serve_link(platform::Socket s, Fault fault, int reply_delay_ms) {
    switch (fault) {
        case Fault::NoEnq: return drain(s);
        case Fault::ShortEnq: send_bytes(s, std::string("\x00\x01", 2)); return drain(s);
        case Fault::WrongThirdByte: send_bytes(s, std::string("\x00\x01\x06", 3)); return drain(s);
        case Fault::EnqWithExtra: send_bytes(s, std::string(kEnqFrame) + "ABC"); break;
        default: send_bytes(s, kEnqFrame); break;
    }

    std::string frame;
    if (!read_frame(s, frame)) return;
    SeenRequest request = decode_request(scenario_, frame);
    bool management = request.type == 'S';
    record_request(request, management ? scenario_.answer_management : fault_lets_reply_out(fault));
    if (management && !scenario_.answer_management) return;

    if (!management) {
        switch (fault) {
            case Fault::SilentAfterRequest: return drain(s);
            case Fault::NakReply:
            case Fault::ShortFrame: {
                const std::string answer = fault == Fault::NakReply ? std::string(kNakFrame) : std::string("\x00\x02\x41\x42", 4);
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
            case Fault::StalledBody:
                send_bytes(s, std::string("\x00\x32", 2) + std::string(20, 'B'));
                return drain(s);
            case Fault::TrickleBody:
                send_bytes(s, std::string("\x00\x32", 2));
                for (int i = 0; i < 50 && !stopping_; ++i) {
                    sleep_ms(scenario_.frame_gap_ms);
                    record(false, "B");
                    if (platform::socket_send(s, "B", 1) <= 0) {  // the client gave up
                        client_closed_ = true;
                        return;
                    }
                }
                return drain(s);
            case Fault::OversizeLength:
                send_bytes(s, std::string("\x0B\xB9", 2) + std::string(10, 'B'));
                return drain(s);
            case Fault::ZeroLength: send_bytes(s, std::string("\x00\x00X", 3)); return drain(s);
            default: break;
        }
    }

    pause(reply_delay_ms);
    const std::string reply = link_frame(reply_body(scenario_, request));
    send_bytes(s, reply);
    // A NAK asks for the reply again, also one the POS sent while the reply
    // was held back.
    while (read_frame(s, frame) && frame == kNakFrame) send_bytes(s, reply);
    if (frame != kAckFrame || management) return drain(s);

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
