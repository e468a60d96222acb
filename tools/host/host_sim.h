// zpos-host as a library: a payment host simulator on a loopback TCP port that
// speaks the host link (ENQ, masked request, masked reply, NAK, ACK, EOT), the
// management message and the download, answers from a scenario, can misbehave
// in the ways a real host does, and records every frame it saw.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/common/sockets.h"
#include "tools/host/faults.h"
#include "tools/host/pcap.h"
#include "tools/host/rules.h"
#include "tools/host/scenario.h"

namespace zpos::host {

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
    // False when the port cannot be bound or the pcap file not written.
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
    friend class Connection;  // one connection's exchange (session.cpp)

    void serve();
    void record(bool from_client, const std::string& bytes);
    void record_connection(int connection, int client_port, Fault fault, int reply_delay_ms);
    void record_request(const SeenRequest& r, bool answered);

    Scenario scenario_;
    tools::Socket listener_ = tools::kNoSocket;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<SeenFrame> frames_;
    std::vector<SeenRequest> requests_;
    PcapWriter pcap_;
};

}  // namespace zpos::host
