// Whole transactions through the exported functions against the host
// simulator on loopback: approval and Zelta_Ack, a decline closed
// automatically, failures counted up to the backup route, no connection.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "entry/module_state.h"
#include "link/link_timing.h"
#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        set_link_timing_for_test(500, 300);
        dir.write_settings("[VANCFG]\nVANID=1\nEOT_CNT=0\n");
    }
    void TearDown() override { set_link_timing_for_test(kConnectTimeoutMs, kLinkWaitMs); }

    int send(host::HostSim& sim, const Request& r) {
        response.fill('#');
        return Zelta_Send("127.0.0.1", sim.port(), r.data(), response.data());
    }
    std::string out(Field f) const { return field(response.data(), f); }

    static Request card(const char* track) {
        Request r("0200", "10");
        r.set(req::entry_mode, "S").set_padded(req::track2, track, ' ').set(req::install_months, "00");
        r.set(req::amt_extra1, "000000000").set(req::amt_extra2, "000000000").set(req::tran_amt, "000030000");
        return r;
    }

    AppDir dir;
    std::array<char, resp::kSize> response{};
};

TEST_F(EndToEnd, ApprovalThenAckClosesAndResetsTheRoute) {
    host::Scenario scenario;
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    dir.write_settings("[VANCFG]\nVANID=1\nEOT_CNT=2\n");
    EXPECT_EQ(send(sim, card("9410123456789012=2812101")), 1);
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

TEST_F(EndToEnd, DeclineIsAcknowledgedAutomatically) {
    host::Scenario scenario;
    host::Rule decline;
    decline.match = host::Rule::Match::Card;
    decline.value = "5";
    decline.approve = false;
    scenario.rules.push_back(decline);
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    EXPECT_EQ(send(sim, card("5410123456789012=2812101")), 1);
    EXPECT_EQ(out(resp::resp_code), "8324");
    // The link is closed already: a later Zelta_Ack has nothing to send on.
    EXPECT_EQ(Zelta_Ack(), -5);
    auto lines = dir.log_lines();
    bool auto_ack_logged = false;
    for (const auto& l : lines) auto_ack_logged = auto_ack_logged || l == "AUTO ACK SEND";
    EXPECT_TRUE(auto_ack_logged);
}

TEST_F(EndToEnd, ThreeSilentHostsSwitchToTheBackupRoute) {
    host::Scenario scenario;
    scenario.fault = host::Fault::NoEnq;
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(send(sim, card("9410123456789012=2812101")), -5);
        EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), std::to_string(i));
    }
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), "2");
    EXPECT_FALSE(dir.setting("VANCFG", "TOGGLE_TIME").empty());
}

TEST_F(EndToEnd, NoConnectionSwitchesTheFileButNotThisCall) {
    // A port nothing listens on.
    host::Scenario scenario;
    host::HostSim sim(scenario);
    ASSERT_TRUE(sim.start());
    int port = sim.port();
    sim.stop();
    response.fill('#');
    EXPECT_EQ(Zelta_Send("127.0.0.1", port, card("9410123456789012=2812101").data(), response.data()), -6);
    EXPECT_EQ(out(resp::resp_code), "COMM");
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), "2");
    EXPECT_EQ(g_module.route_mode, kRoutePrimary);
}

}  // namespace
}  // namespace zpos::test
