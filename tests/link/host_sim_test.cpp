// The simulator's pieces the link tests lean on.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/socket.h"
#include "tests/common/app_dir.h"
#include "tests/common/wire.h"
#include "tests/link/link_fixture.h"
#include "tools/host/host_sim.h"

namespace zpos::host {
namespace {

TEST(Scenario, FileLinesSetEveryPart) {
    test::AppDir dir;
    std::string path = dir.file("scenario.txt");
    std::ofstream(path) << "# a comment\n"
                           "fault no-enq,repeat-enq 3\n"
                           "reply-delay 0,250\n"
                           "gap 20\n"
                           "management off\n"
                           "decline card 9410 \xEC\x82\xAC\xEC\x9A\xA9\xEB\xB6\x88\xEA\xB0\x80\n"
                           "decline amount 50000\n"
                           "approve code C0 OK\n"
                           // Nine syllables: 18 bytes in CP949.
                           "approve amount 1 \xEC\xA0\x95\xEC\x83\x81\xEC\x8A\xB9\xEC\x9D\xB8"
                           "\xEC\xA0\x95\xEC\x83\x81\xEC\x8A\xB9\xEC\x9D\xB8\xEB\x90\xA8\n"
                           "approval 87654321\n"
                           "issuer 0200 \xEC\x8B\xA0\xED\x95\x9C\xEC\xB9\xB4\xEB\x93\x9C" "1\n"
                           "answer 0000 FILE 1\n"
                           "record /tmp/x.rec\n";
    Scenario s;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(load_scenario(path, s, error, &warnings)) << error;
    EXPECT_EQ(s.faults, (std::vector<Fault>{Fault::NoEnq, Fault::RepeatEnq}));
    EXPECT_EQ(s.fault_for(0), Fault::NoEnq);
    EXPECT_EQ(s.fault_for(5), Fault::RepeatEnq);
    EXPECT_EQ(s.reply_delay_for(1), 250);
    EXPECT_EQ(s.fault_count, 3);
    EXPECT_EQ(s.frame_gap_ms, 20);
    EXPECT_FALSE(s.answer_management);
    ASSERT_EQ(s.rules.size(), 4u);
    EXPECT_EQ(s.rules[0].match, Rule::Match::Card);
    EXPECT_EQ(s.rules[0].value, "9410");
    EXPECT_FALSE(s.rules[0].approve);
    EXPECT_EQ(s.rules[0].message, "\xEC\x82\xAC\xEC\x9A\xA9\xEB\xB6\x88\xEA\xB0\x80");  // 사용불가
    EXPECT_EQ(s.rules[1].match, Rule::Match::AmountAtLeast);
    EXPECT_EQ(s.rules[1].amount, 50000);
    EXPECT_EQ(s.rules[2].match, Rule::Match::Code);
    EXPECT_TRUE(s.rules[2].approve);
    EXPECT_EQ(s.approval_no, "87654321");
    EXPECT_EQ(s.issuer_code, "0200");
    EXPECT_EQ(s.download_answer, "0000 FILE 1");
    EXPECT_EQ(s.record_path, "/tmp/x.rec");
    // 16 bytes of a message reach the POS, 8 of an issuer name as acquirer's.
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find(":9: warning: message '"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("' is 18 bytes in CP949; the POS sees only its first 16 as message"),
              std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find(":11: warning: issuer name '"), std::string::npos) << warnings[1];
    EXPECT_NE(warnings[1].find("' is 9 bytes in CP949; the POS sees only its first 8 as acquirer_name"),
              std::string::npos) << warnings[1];
}

// Faults and reply delays by connection, and the record of each.
using test::LinkTest;

TEST_F(LinkTest, EachConnectionMeetsItsOwnFaultAndDelay) {
    Scenario scenario;
    scenario.faults = {Fault::NoEnq, Fault::SilentAfterRequest, Fault::None};
    scenario.reply_delays_ms = {0, 0, 250};  // the link waits 150 ms here
    scenario.record_path = app_->file("host.rec");
    HostSim& sim = start_host(scenario);
    EXPECT_EQ(exchange(), -5);
    EXPECT_EQ(exchange(), -1);
    EXPECT_TRUE(timed_out_);
    EXPECT_EQ(sim.naks_seen(), 3);
    EXPECT_EQ(exchange(), 1);
    EXPECT_EQ(exchange(), 1);
    sim.stop();
    // NAKs sent while a reply was held back are read by stop.
    EXPECT_GE(sim.naks_seen(), 5);
    EXPECT_EQ(sim.connections(), 4);
    EXPECT_EQ(sim.requests().size(), 3u);

    // Connection and request lines without the client's port and the fields.
    std::string notes;
    for (std::string line : test::lines_of(test::read_file(scenario.record_path))) {
        if (line.rfind("CONN ", 0) == 0) {
            std::size_t port = line.find(" port="), fault = line.find(" fault=");
            notes += line.erase(port, fault - port) + "\n";
        }
        if (line.rfind("REQ ", 0) == 0) notes += "REQ" + line.substr(line.find(" answer=")) + "\n";
    }
    EXPECT_EQ(notes,
              "CONN 1 fault=no-enq reply-delay=0\n"
              "CONN 2 fault=silent-after-request reply-delay=0\n"
              "REQ answer=none\n"
              "CONN 3 fault=none reply-delay=250\n"
              "REQ answer=approve\n"
              "CONN 4 fault=none reply-delay=250\n"
              "REQ answer=approve\n");
}

TEST(ReplyBody, DeclineHasNoApprovalNumber) {
    Scenario s;
    s.issuer_name = "KB";
    SeenRequest r;
    r.code = "11";
    r.amount = 500;
    r.approved = false;
    s.rules.push_back({Rule::Match::Any, "", 0, false, "NO"});
    std::string body = reply_body(s, r);
    std::string head = std::string("\x02RPOS11\x1c") + "NO\x1c" "\x1c" "X\x1c" "0100\x1c" "KB\x1c";
    EXPECT_EQ(body.substr(0, head.size()), head);
}

TEST(Recording, EveryFrameGoesToTheRecordFile) {
    test::AppDir dir;
    Scenario s;
    s.service = Scenario::Service::Download;
    s.download_answer = "0000";
    s.record_path = dir.file("frames.rec");
    HostSim sim(s);
    ASSERT_TRUE(sim.start(0));
    // A bare client: connect, send "Hi", read the answer.
    platform::Socket c = platform::socket_open();
    std::uint32_t a = 0;
    platform::socket_address("127.0.0.1", false, a);
    ASSERT_EQ(platform::socket_connect(c, a, sim.port()), 0);
    platform::socket_send(c, "Hi", 2);
    char buf[8] = {};
    EXPECT_EQ(platform::socket_recv(c, buf, sizeof buf), 4);
    platform::socket_close(c);
    sim.stop();
    EXPECT_EQ(test::read_file(s.record_path), "C> 48 69\nH> 30 30 30 30\n");
}

}  // namespace
}  // namespace zpos::host
