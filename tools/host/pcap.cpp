// pcapng blocks (section header, interface description, enhanced packets) in
// little-endian order, and the Ethernet, IPv4 and TCP headers of a Linux
// loopback capture with their checksums.
#include "tools/host/pcap.h"

#include <chrono>

namespace zpos::host {

namespace {
constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceDescription = 1;
constexpr std::uint32_t kEnhancedPacket = 6;
constexpr std::uint16_t kLinkEthernet = 1;  // what a Linux capture on "lo" records
constexpr std::uint8_t kFin = 0x01, kSyn = 0x02, kPsh = 0x08, kAck = 0x10;
constexpr std::uint32_t kLoopback = 0x7F000001;
// Where each side's sequence numbers start; any value serves.
constexpr std::uint32_t kClientIsn = 1000, kHostIsn = 5000;

void le16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void le32(std::string& out, std::uint32_t v) {
    le16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    le16(out, static_cast<std::uint16_t>(v >> 16));
}
void be16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v & 0xFF);
}
void be32(std::string& out, std::uint32_t v) {
    be16(out, static_cast<std::uint16_t>(v >> 16));
    be16(out, static_cast<std::uint16_t>(v & 0xFFFF));
}
void pad32(std::string& out) {
    while (out.size() % 4) out += '\0';
}

// The Internet checksum of `bytes`.
std::uint16_t checksum(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t hi = static_cast<unsigned char>(bytes[i]);
        std::uint32_t lo = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        sum += (hi << 8) | lo;
    }
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

void put_checksum(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value >> 8);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}
}  // namespace

PcapWriter::~PcapWriter() {
    if (file_) std::fclose(file_);
}

void PcapWriter::block(std::uint32_t type, const std::string& body) {
    std::string b;
    std::uint32_t total = static_cast<std::uint32_t>(body.size() + 12);
    le32(b, type);
    le32(b, total);
    b += body;
    le32(b, total);
    std::fwrite(b.data(), 1, b.size(), file_);
    std::fflush(file_);
}

bool PcapWriter::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    std::string shb;
    le32(shb, 0x1A2B3C4D);  // byte-order magic
    le16(shb, 1);
    le16(shb, 0);
    le32(shb, 0xFFFFFFFF);  // section length not given
    le32(shb, 0xFFFFFFFF);
    block(kSectionHeader, shb);

    std::string idb;
    le16(idb, kLinkEthernet);
    le16(idb, 0);
    le32(idb, 0);  // no snapshot limit
    le16(idb, 2);  // if_name
    le16(idb, 2);
    idb += "lo";
    pad32(idb);
    le16(idb, 9);  // if_tsresol: microseconds
    le16(idb, 1);
    idb += '\6';
    pad32(idb);
    le32(idb, 0);  // end of options
    block(kInterfaceDescription, idb);
    return true;
}

void PcapWriter::packet(bool from_client, std::uint8_t flags, const std::string& payload) {
    std::uint16_t src = from_client ? client_port_ : host_port_;
    std::uint16_t dst = from_client ? host_port_ : client_port_;
    std::uint32_t& seq = from_client ? client_seq_ : host_seq_;
    std::uint32_t ack = from_client ? host_seq_ : client_seq_;

    std::string tcp;
    be16(tcp, src);
    be16(tcp, dst);
    be32(tcp, seq);
    be32(tcp, flags & kAck ? ack : 0);
    tcp += static_cast<char>(5 << 4);  // header of five words
    tcp += static_cast<char>(flags);
    be16(tcp, 65535);  // window
    be16(tcp, 0);      // checksum, below
    be16(tcp, 0);
    tcp += payload;
    // The TCP checksum covers a pseudo-header (addresses, protocol, length)
    // of whole 16-bit words before the segment.
    std::string pseudo;
    be32(pseudo, kLoopback);
    be32(pseudo, kLoopback);
    be16(pseudo, 6);
    be16(pseudo, static_cast<std::uint16_t>(tcp.size()));
    put_checksum(tcp, 16, checksum(pseudo + tcp));
    seq += static_cast<std::uint32_t>(payload.size()) + ((flags & (kSyn | kFin)) ? 1 : 0);

    std::string ip;
    ip += '\x45';
    ip += '\0';
    be16(ip, static_cast<std::uint16_t>(20 + tcp.size()));
    be16(ip, ++ip_id_);
    be16(ip, 0x4000);  // don't fragment
    ip += '\x40';      // TTL 64
    ip += '\x06';      // TCP
    be16(ip, 0);
    be32(ip, kLoopback);
    be32(ip, kLoopback);
    put_checksum(ip, 10, checksum(ip));

    std::string frame(12, '\0');  // loopback: both addresses zero
    be16(frame, 0x0800);
    frame += ip + tcp;

    auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
                   .count();
    std::uint64_t us = static_cast<std::uint64_t>(now);
    std::string epb;
    le32(epb, 0);  // interface 0
    le32(epb, static_cast<std::uint32_t>(us >> 32));
    le32(epb, static_cast<std::uint32_t>(us & 0xFFFFFFFF));
    le32(epb, static_cast<std::uint32_t>(frame.size()));
    le32(epb, static_cast<std::uint32_t>(frame.size()));
    epb += frame;
    pad32(epb);
    block(kEnhancedPacket, epb);
}

void PcapWriter::open_connection(int client_port, int host_port) {
    if (!file_) return;
    client_port_ = static_cast<std::uint16_t>(client_port);
    host_port_ = static_cast<std::uint16_t>(host_port);
    client_seq_ = kClientIsn;
    host_seq_ = kHostIsn;
    packet(true, kSyn, "");
    packet(false, kSyn | kAck, "");
    packet(true, kAck, "");
}

void PcapWriter::segment(bool from_client, const std::string& payload) {
    if (file_ && !payload.empty()) packet(from_client, kPsh | kAck, payload);
}

void PcapWriter::close_connection(bool client_first) {
    if (!file_) return;
    packet(client_first, kFin | kAck, "");
    packet(!client_first, kFin | kAck, "");
    packet(client_first, kAck, "");
}

}  // namespace zpos::host
