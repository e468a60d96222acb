// The Wireshark dissector, by tshark, over the host simulator's capture of an
// approval, a decline, a time-out, a missing EOT with its management message
// and a cut reply; and over that capture mutated, never with a Lua error.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/link_timing.h"
#include "tests/common/app_dir.h"
#include "tests/common/process.h"
#include "tests/common/records_helper.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

// tshark, and as whom: a tshark that keeps Lua from root (its init.lua
// setting run_user_scripts_when_superuser) is run as nobody instead.
std::vector<std::string> tshark(const AppDir& dir) {
    Outcome probe = run_process({"tshark", "-G", "protocols", "-X", "lua_script:" ZPOS_DISSECTOR}, dir.path());
    if (probe.out.find("\tzposapp\n") != std::string::npos || getuid() != 0) return {"tshark"};
    std::filesystem::permissions(dir.path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    return {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "env", "HOME=" + dir.path(), "tshark"};
}

// A capture's payloads, connection by connection, in the direction each went.
struct Segment {
    bool from_pos = true;
    std::string bytes;
};
using Stream = std::vector<Segment>;

// One capture for every test here, recorded once.
class WiresharkDissector : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { app_.reset(); }

    // tshark with the dissector over `capture`, then `more`.
    static Outcome read(const std::string& capture, const std::vector<std::string>& more) {
        std::vector<std::string> args = tshark(*app_);
        args.insert(args.end(), {"-X", "lua_script:" ZPOS_DISSECTOR, "-r", capture});
        args.insert(args.end(), more.begin(), more.end());
        return run_process(args, app_->path());
    }
    static std::vector<Stream> recorded_streams();

    static inline std::unique_ptr<AppDir> app_;
    static inline std::string pcap_, port_;
};

void WiresharkDissector::SetUpTestSuite() {
    app_ = std::make_unique<AppDir>();
    AppDir& app = *app_;
    auto waits = std::make_unique<ShortLinkWaits>(300, 150);
    // The sample card's security block goes after each of its requests.
    StoreAt store(app.file("registry.dat"));
    ASSERT_TRUE(fill_card_store());
    host::Scenario scenario;
    scenario.rules.push_back(host::decline_card("5", "\xED\x95\x9C\xEB\x8F\x84\xEC\xB4\x88\xEA\xB3\xBC"));
    using host::Fault;
    scenario.faults = {Fault::None, Fault::None, Fault::SilentAfterRequest, Fault::NoEot, Fault::None, Fault::ShortBody};
    scenario.pcap_path = pcap_ = app.file("link.pcapng");
    host::HostSim host(scenario);
    ASSERT_TRUE(host.start());
    int port = host.port();
    port_ = std::to_string(port);

    char response[resp::kSize];
    EXPECT_EQ(Zelta_Send("127.0.0.1", port, sample_card_request("0200", "10").data(), response), 1);
    EXPECT_EQ(Zelta_Ack(), 1);
    Request declined = sample_card_request("0200", "10", "5410123456789012=2812101");
    EXPECT_EQ(Zelta_Send("127.0.0.1", port, declined.data(), response), 1);
    EXPECT_EQ(Zelta_Send("127.0.0.1", port, sample_card_request("0200", "10").data(), response), -1);
    EXPECT_EQ(Zelta_Send("127.0.0.1", port, sample_card_request("0200", "10").data(), response), 1);
    EXPECT_EQ(Zelta_Ack(), -13);
    EXPECT_EQ(Zelta_Send("127.0.0.1", port, sample_card_request("0200", "10").data(), response), -1);
    host.stop();
}

// The streams of the capture as tshark reads them, payloads only.
std::vector<Stream> WiresharkDissector::recorded_streams() {
    Outcome r = read(pcap_, {"-Y", "tcp.len > 0", "-T", "fields", "-e", "tcp.stream", "-e", "tcp.dstport", "-e",
                             "tcp.payload"});
    std::vector<Stream> streams;
    for (const std::string& line : lines_of(r.out)) {
        std::size_t stream = 0;
        std::string port, hex, bytes;
        std::istringstream(line) >> stream >> port >> hex;
        std::erase(hex, ':');
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        streams.resize(std::max(streams.size(), stream + 1));
        streams[stream].push_back({port == port_, bytes});
    }
    return streams;
}

TEST_F(WiresharkDissector, DecodesEveryFrameOfARecordedCapture) {
    std::vector<std::string> args{"-d", "tcp.port==" + port_ + ",zposapp", "-Y", "zposapp", "-T", "fields",
                                  "-E", "separator=|"};
    for (const char* e : {"tcp.stream", "zposapp.control", "zposapp.kind", "zposapp.code", "zposapp.req.term_id",
                          "zposapp.req.card", "zposapp.req.amount", "zposapp.req.version", "zposapp.length_ok",
                          "zposapp.check_ok", "zposapp.block.data_length", "zposapp.block.key_length",
                          "zposapp.block.date_time", "zposapp.reply.approval", "zposapp.reply.message",
                          "zposapp.reply.auth_no", "zposapp.reply.issuer_name"})
        args.insert(args.end(), {"-e", e});
    Outcome decoded = read(pcap_, args);
    ASSERT_EQ(decoded.status, 0) << decoded.err;

    // One line a frame, the fields above in that order.
    auto control = [](int stream, const char* byte) {
        return std::to_string(stream) + "|" + byte + std::string(15, '|');
    };
    auto request = [](int stream, const char* kind, const char* code, const std::string& card, const char* length_ok,
                      const char* block) {
        return std::to_string(stream) + "||" + kind + "|" + code + "|1200000001|" + card +
               std::string(37 - card.size(), ' ') + "|00030000|A40X10|" + length_ok + "|1|" + block + "||||";
    };
    auto reply = [](int stream, const char* flag, const std::string& message, const char* auth) {
        return std::to_string(stream) + std::string(9, '|') + "1" + std::string(4, '|') + flag + "|" + message + "|" +
               auth + "|국민카드";
    };
    const char* kBlock = "0040|0100|2026120712";  // the sample card's store: 40 data bytes, 100 key bytes
    const std::vector<std::string> expected = {
        // Approval, acknowledged by Zelta_Ack.
        control(0, "0x05"),
        request(0, "card approval", "10", kSampleTrack, "1", kBlock),
        reply(0, "O", "정상승인", "12345678"),
        control(0, "0x06"),
        control(0, "0x04"),
        // Decline (another card, so no security block); the library sends the ACK itself.
        control(1, "0x05"),
        request(1, "card approval", "10", "5410123456789012=2812101", "1", "||"),
        reply(1, "X", "한도초과", ""),
        control(1, "0x06"),
        control(1, "0x04"),
        // No reply: three NAKs.
        control(2, "0x05"),
        request(2, "card approval", "10", kSampleTrack, "1", kBlock),
        control(2, "0x15"),
        control(2, "0x15"),
        control(2, "0x15"),
        // Approval without EOT for its ACK ...
        control(3, "0x05"),
        request(3, "card approval", "10", kSampleTrack, "1", kBlock),
        reply(3, "O", "정상승인", "12345678"),
        control(3, "0x06"),
        // ... reported by the management message on a new connection.
        control(4, "0x05"),
        request(4, "management message", "", kSampleTrack, "", "||"),
        reply(4, "O", "정상승인", "12345678"),
        control(4, "0x06"),
        // A reply of 50 bytes announced, 20 sent: nothing of it is shown.
        control(5, "0x05"),
        request(5, "card approval", "10", kSampleTrack, "1", kBlock),
    };
    EXPECT_EQ(lines_of(decoded.out), expected) << decoded.out;
}

// The POS closes first after each transaction, the host after the reply it cut.
TEST_F(WiresharkDissector, EachConnectionShowsWhoClosedFirst) {
    Outcome fins = read(pcap_, {"-Y", "tcp.flags.fin == 1", "-T", "fields", "-e", "tcp.stream", "-e", "tcp.srcport"});
    ASSERT_EQ(fins.status, 0) << fins.err;
    std::map<std::string, std::string> first;
    for (const std::string& line : lines_of(fins.out)) {
        std::string stream = line.substr(0, line.find('\t'));
        if (!first.count(stream)) first[stream] = line.substr(line.find('\t') + 1) == port_ ? "host" : "POS";
    }
    EXPECT_EQ(first, (std::map<std::string, std::string>{
                         {"0", "POS"}, {"1", "POS"}, {"2", "POS"}, {"3", "POS"}, {"4", "POS"}, {"5", "host"}}))
        << fins.out;
}

// One to four changes to one stream: a byte, a length near its truth, small or
// anywhere, a segment cut, lengthened, lost, repeated or split.
Stream mutated(Stream stream, std::mt19937& rng) {
    auto below = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    for (std::size_t changes = 1 + below(4); changes > 0 && !stream.empty(); --changes) {
        std::size_t i = below(stream.size());
        std::string& bytes = stream[i].bytes;
        switch (below(9)) {
            case 0:  // most often in the headers, where the lengths and kinds are
                bytes[below(below(2) ? std::min<std::size_t>(bytes.size(), 16) : bytes.size())] =
                    static_cast<char>(below(256));
                break;
            case 1:
            case 7:
            case 8: {
                // The frame's length, or a request's message length.
                std::size_t at = bytes.size() >= 4 && below(2) ? 2 : 0;
                if (bytes.size() < at + 2) break;
                long truth = at == 0 ? static_cast<long>(bytes.size()) - 2
                                     : static_cast<unsigned char>(bytes[2]) << 8 | static_cast<unsigned char>(bytes[3]);
                std::size_t how = below(3);
                long v = how == 0   ? truth + static_cast<long>(below(7)) - 3
                         : how == 1 ? static_cast<long>(below(16))
                                    : static_cast<long>(below(65536));
                v = v < 0 ? 0 : v > 65535 ? 65535 : v;
                bytes[at] = static_cast<char>(v >> 8);
                bytes[at + 1] = static_cast<char>(v & 0xFF);
                break;
            }
            case 2: bytes.resize(1 + below(bytes.size())); break;
            case 3: bytes += std::string(1 + below(8), static_cast<char>(below(256))); break;
            case 4:
                if (stream.size() > 1) stream.erase(stream.begin() + static_cast<long>(i));
                break;
            case 5: {
                Segment again = stream[i];
                stream.insert(stream.begin() + static_cast<long>(i), again);
                break;
            }
            default:
                if (bytes.size() > 1) {
                    std::size_t cut = 1 + below(bytes.size() - 1);
                    Segment rest{stream[i].from_pos, bytes.substr(cut)};
                    bytes.resize(cut);
                    stream.insert(stream.begin() + static_cast<long>(i) + 1, rest);
                }
        }
    }
    return stream;
}

// Hundreds of mutated streams, the same every run: no Lua error, and lengths
// that do not add up are marked malformed.
TEST_F(WiresharkDissector, MutatedStreamsAreMarkedMalformedWithoutLuaErrors) {
    std::vector<Stream> recorded = recorded_streams();
    ASSERT_EQ(recorded.size(), 6u);

    constexpr int kHostPort = 10902, kMutated = 360;
    // First the message length that runs past its frame: 16 announced, 2 there.
    std::vector<Stream> streams{{{true, std::string("\x00\x04\x00\x10\x41\x42", 6)}}};
    std::mt19937 rng(20261207);
    for (int i = 0; i < kMutated; ++i) streams.push_back(mutated(recorded[i % recorded.size()], rng));
    host::PcapWriter out;
    ASSERT_TRUE(out.open(app_->file("mutated.pcapng")));
    for (std::size_t i = 0; i < streams.size(); ++i) {
        out.open_connection(20000 + static_cast<int>(i), kHostPort);
        for (const Segment& s : streams[i]) out.segment(s.from_pos, s.bytes);
        out.close_connection(true);
    }

    Outcome r = read(app_->file("mutated.pcapng"),
                     {"-T", "fields", "-e", "tcp.stream", "-e", "zposapp.length", "-e", "_ws.expert.message"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> failed, dissected;
    std::map<std::string, int> errors;  // by the place and text of the error
    std::string stream0;
    for (const std::string& line : lines_of(r.out)) {
        std::string stream = line.substr(0, line.find('\t'));
        if (std::size_t at = line.find("Lua Error"); at != std::string::npos) {
            failed.insert(stream);
            at = line.find("zposapp.lua:");
            ++errors[at == std::string::npos ? line : line.substr(at, line.find_first_of(",\t", at) - at)];
        }
        if (line.find("\t\t") != std::string::npos) continue;  // no frame of the link
        dissected.insert(stream);
        if (stream == "0") stream0 += line + "\n";
    }
    std::cout << "Lua errors in " << failed.size() << " of " << streams.size() << " streams\n";
    for (const auto& [where, count] : errors) ADD_FAILURE() << count << " times " << where;
    EXPECT_EQ(r.err.find("Lua"), std::string::npos) << r.err;
    EXPECT_GT(dissected.size(), streams.size() / 2);  // the dissector did run
    EXPECT_EQ(stream0, "0\t4\tMessage length 16 runs past the frame: 2 bytes follow it\n");
}

}  // namespace
}  // namespace zpos::test
