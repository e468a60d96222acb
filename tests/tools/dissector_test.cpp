// The Wireshark dissector, read by tshark over the capture zpos-host --pcap
// records of one connection after the other: an approval with its ACK and EOT,
// a decline closed by the automatic acknowledgement, a time-out with three
// NAKs, and an approval whose missing EOT brings the management message. The
// transactions run through the exports in this process, with short link waits.
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/link_timing.h"
#include "tests/common/app_dir.h"
#include "tests/common/card_store.h"
#include "tests/common/process.h"
#include "tests/common/records_helper.h"
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

TEST(WiresharkDissector, DecodesEveryFrameOfARecordedCapture) {
    AppDir app;
    auto waits = std::make_unique<ShortLinkWaits>(300, 150);
    // The sample card's security block goes after each of its requests.
    StoreAt store(app.file("registry.dat"));
    ASSERT_TRUE(fill_card_store());
    std::ofstream(app.file("decline.scenario")) << "decline card 5 \xED\x95\x9C\xEB\x8F\x84\xEC\xB4\x88\xEA\xB3\xBC\n";
    const std::string pcap = app.file("link.pcapng");
    Process host({ZPOS_HOST_COMMAND, "--port", "0", "--pcap", pcap, "--scenario", app.file("decline.scenario"),
                  "--fault", "none,none,silent-after-request,no-eot,none"},
                 app.path());
    ASSERT_TRUE(host.wait_for_output(")\n", 10000)) << host.err();
    std::string banner = host.out();
    std::string port = banner.substr(banner.find(':') + 1, banner.find(' ', banner.find(':')) - banner.find(':') - 1);

    char response[resp::kSize];
    EXPECT_EQ(Zelta_Send("127.0.0.1", std::stoi(port), sample_card_request("0200", "10").data(), response), 1);
    EXPECT_EQ(Zelta_Ack(), 1);
    Request declined = sample_card_request("0200", "10", "5410123456789012=2812101");
    EXPECT_EQ(Zelta_Send("127.0.0.1", std::stoi(port), declined.data(), response), 1);
    EXPECT_EQ(Zelta_Send("127.0.0.1", std::stoi(port), sample_card_request("0200", "10").data(), response), -1);
    EXPECT_EQ(Zelta_Send("127.0.0.1", std::stoi(port), sample_card_request("0200", "10").data(), response), 1);
    EXPECT_EQ(Zelta_Ack(), -13);
    host.signal(SIGTERM);
    EXPECT_EQ(host.finish().status, 0);
    waits.reset();

    std::vector<std::string> args = tshark(app);
    for (const char* a : {"-X", "lua_script:" ZPOS_DISSECTOR, "-r"}) args.push_back(a);
    args.insert(args.end(), {pcap, "-d", "tcp.port==" + port + ",zposapp", "-Y", "zposapp", "-T", "fields",
                             "-E", "separator=|"});
    for (const char* e : {"tcp.stream", "zposapp.control", "zposapp.kind", "zposapp.code", "zposapp.req.term_id",
                          "zposapp.req.card", "zposapp.req.amount", "zposapp.req.version", "zposapp.length_ok",
                          "zposapp.check_ok", "zposapp.block.data_length", "zposapp.block.key_length",
                          "zposapp.block.date_time", "zposapp.reply.approval", "zposapp.reply.message",
                          "zposapp.reply.auth_no", "zposapp.reply.issuer_name"})
        args.insert(args.end(), {"-e", e});
    Outcome decoded = run_process(args, app.path());
    ASSERT_EQ(decoded.status, 0) << decoded.err;

    // One line a frame: stream, control byte, then the request's kind, code,
    // terminal, card, amount, version, length and check byte verdicts and its
    // security block (data and key lengths, date), then the reply's approval
    // flag, message, approval number and issuer.
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
    };
    EXPECT_EQ(lines_of(decoded.out), expected) << decoded.out;

    // The approval's frames in full, as a payment engineer reads them.
    args.resize(args.size() - 2 * 17 - 4);
    args.insert(args.end(), {"-Y", "tcp.stream == 0 && zposapp", "-O", "zposapp"});
    std::cout << run_process(args, app.path()).out;
}

}  // namespace
}  // namespace zpos::test
