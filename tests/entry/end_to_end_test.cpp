// Whole transactions through the exported functions against the host
// simulator on loopback; host failures are rows of fault_matrix_test.cpp.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <string>

#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { dir.write_settings("[VANCFG]\nVANID=1\nEOT_CNT=0\n"); }

    int send(host::HostSim& sim, const Request& r) {
        response.fill('#');
        return Zelta_Send("127.0.0.1", sim.port(), r.data(), response.data());
    }
    std::string out(Field f) const { return field(response.data(), f); }

    ShortLinkWaits waits{500, 300};
    AppDir dir;
    std::array<char, resp::kSize> response{};
};

TEST_F(EndToEnd, ApprovalThenAckClosesAndResetsTheRoute) {
    host::Scenario scenario;
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    dir.write_settings("[VANCFG]\nVANID=1\nEOT_CNT=2\n");
    EXPECT_EQ(send(sim, sample_card_request("0200", "10")), 1);
    EXPECT_EQ(out(resp::resp_code), "0000");
    EXPECT_EQ(out(resp::auth_no), "12345678    ");
    EXPECT_EQ(out(resp::sign_flag), "NONE");
    EXPECT_EQ(Zelta_Ack(), 1);
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), "1");
    EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), "0");
    sim.stop();
    ASSERT_EQ(sim.requests().size(), 1u);
    EXPECT_TRUE(sim.requests()[0].check_ok);
    EXPECT_TRUE(sim.requests()[0].length_ok);
}

// No EOT: the management message of the saved keyed request, on a new
// connection, its reply closed by an ACK alone.
TEST_F(EndToEnd, MissingEotSendsTheManagementMessageOfTheSavedRequest) {
    host::Scenario scenario;
    scenario.faults = {host::Fault::NoEot};
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(send(sim, sample_card_request("0200", "10", "9410123456789012=2812", "@")), 1);
    EXPECT_EQ(Zelta_Ack(), -13);
    sim.stop();
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].type, 'I');
    EXPECT_EQ(requests[0].code, "C0");
    EXPECT_EQ(requests[1].type, 'S');
    EXPECT_EQ(requests[1].term_id, "1200000001");
    EXPECT_EQ(requests[1].card, "9410123456789012");
    EXPECT_EQ(requests[1].expiry, "2812");
    EXPECT_TRUE(requests[1].check_ok);
    EXPECT_EQ(sim.connections(), 2);
    ASSERT_FALSE(sim.frames().empty());
    EXPECT_EQ(sim.frames().back().bytes, kAckFrame);
    EXPECT_TRUE(sim.frames().back().from_client);
}

// Points through both entry points; Zelta_OKCashbag goes to the primary host
// and leaves the backup route's keys as they were.
TEST_F(EndToEnd, PointsThroughBothEntryPoints) {
    host::Scenario scenario;
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    EXPECT_EQ(send(sim, sample_points_request("01")), 1);
    EXPECT_EQ(out(resp::resp_code), "0000");
    EXPECT_EQ(out(resp::pt_sub), "01");
    EXPECT_EQ(out(resp::pt_auth_no), "12345678    ");  // field 23, with no end-of-text byte in it
    EXPECT_EQ(Zelta_Ack(), 1);
    std::string backup = "[VANCFG]\nVANID=2\nEOT_CNT=0\nTOGGLE_TIME=" + std::to_string(std::time(nullptr)) + "\n";
    dir.write_settings(backup);
    response.fill('#');
    EXPECT_EQ(Zelta_OKCashbag("127.0.0.1", sim.port(), sample_points_request("11").data(), response.data()), 1);
    EXPECT_EQ(out(resp::resp_code), "0000");
    sim.stop();
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].type, 'I');
    EXPECT_EQ(requests[0].code, "60");
    ASSERT_GT(requests[0].fields.size(), 13u);
    EXPECT_EQ(requests[0].fields[2], "01");  // from pt_media
    EXPECT_EQ(requests[0].fields[11], "06");
    EXPECT_EQ(requests[0].fields[13], "9400001234567890=2812");
    EXPECT_EQ(requests[1].code, "61");
    EXPECT_EQ(dir.read_settings(), backup);
}

// MASK=STRICT keeps card numbers out of every writer's log lines; any other
// value keeps the default masking.
TEST_F(EndToEnd, StrictMaskingKeepsCardNumbersOutOfTheLog) {
    host::Scenario scenario;
    scenario.rules.push_back(host::decline_card("5410", "CARD 5410123456789012=2812"));
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    host::Scenario download_scenario;
    download_scenario.service = host::Scenario::Service::Download;
    download_scenario.download_answer = "9999NO FILE FOR 9410123456789012";
    host::HostSim download_host(download_scenario);
    ASSERT_TRUE(download_host.start());

    for (const char* mask : {"STRICT", "strict", "LOOSE", ""}) {
        std::remove(dir.log_path().c_str());
        dir.write_settings(std::string("[VANCFG]\nVANID=1\n[LOG]\nMASK=") + mask + "\n");
        send(sim, sample_card_request("0200", "10"));
        Zelta_Ack();
        send(sim, sample_card_request("0200", "10", "5410123456789012=2812101"));
        Request balance = sample_card_request("0200", "KT");
        balance.set(req::tran_kind, "KT").set(req::tran_amt, "000000001");
        send(sim, balance);
        Zelta_OKCashbag("127.0.0.1", sim.port(), sample_points_request("01").data(), response.data());
        char answer[1025];
        EXPECT_EQ(Zelta_download("127.0.0.1", download_host.port(), "REQ", answer), 32);  // every byte read

        std::string log = read_file(dir.log_path());
        bool strict = mask[0] == 'S' || mask[0] == 's';
        EXPECT_NE(log.find("AUTO ACK SEND"), std::string::npos) << mask;  // the decline closed at once
        for (const char* hidden : {"9410123456789012", "5410123456789012", "9400001234567890", "=2812"})
            EXPECT_EQ(log.find(hidden) == std::string::npos, strict) << mask << ": " << hidden;
        for (const char* shown : {"941012******9012", "541012******9012", "940000******7890"})
            EXPECT_EQ(log.find(shown) != std::string::npos, strict) << mask << ": " << shown;
        if (!strict) {
            EXPECT_NE(log.find("941012345678*********101"), std::string::npos) << mask;
        }
    }
}

}  // namespace
}  // namespace zpos::test
