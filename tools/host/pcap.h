// The simulator's frames as a capture file: pcapng with one loopback
// interface, each connection a TCP conversation (handshake, one segment per
// frame, close) between 127.0.0.1 ports, stamped with the real time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace zpos::host {

class PcapWriter {
public:
    PcapWriter() = default;
    ~PcapWriter();
    PcapWriter(const PcapWriter&) = delete;
    PcapWriter& operator=(const PcapWriter&) = delete;

    // Starts the file with its section header and the loopback interface.
    bool open(const std::string& path);
    bool is_open() const { return file_ != nullptr; }

    void open_connection(int client_port, int host_port);
    void segment(bool from_client, const std::string& payload);
    // The side that closed first sends the first FIN.
    void close_connection(bool client_first);

private:
    void packet(bool from_client, std::uint8_t flags, const std::string& payload);
    void block(std::uint32_t type, const std::string& body);

    std::FILE* file_ = nullptr;
    std::uint16_t client_port_ = 0, host_port_ = 0;
    std::uint32_t client_seq_ = 0, host_seq_ = 0;
    std::uint16_t ip_id_ = 0;
};

}  // namespace zpos::host
