// The acknowledgements against the simulator: EOT rules and the route reset.
// Zelta_Ack's failures are rows of tests/entry/fault_matrix_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry/call.h"
#include "link/acknowledge.h"
#include "link/connection.h"
#include "link/management.h"
#include "platform/socket.h"
#include "support/route.h"
#include "tests/common/print.h"
#include "tests/common/records_helper.h"
#include "tests/link/link_fixture.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

using host::Fault;

class Acknowledge : public LinkTest {
protected:
    // One approved exchange on a host with `fault`, so the link is open.
    host::HostSim& approved_on(Fault fault, char no_eot_byte = 'A') {
        host::Scenario scenario;
        scenario.faults = {fault};
        scenario.no_eot_byte = no_eot_byte;
        scenario.frame_gap_ms = 100;
        host::HostSim& sim = start_host(scenario);
        EXPECT_EQ(exchange(), 1);
        return sim;
    }
};

// An EOT in the fifth frame closes the link and resets the route (in the
// first, the fault matrix's approvals closed by Zelta_Ack).
TEST_F(Acknowledge, EotResetsTheRouteToPrimary) {
    app_->write_settings("[VANCFG]\nVANID=2\nEOT_CNT=2\n");
    approved_on(Fault::EotInFifth);
    EXPECT_EQ(acknowledge(g_module), AckResult::closed);
    EXPECT_TRUE(app_->logged("ACK SEND"));
    for (int c = 1; c < 5; ++c)
        EXPECT_TRUE(app_->logged("EOT RECV [41] FAIL count[" + std::to_string(c) + "] Len[  3] ")) << c;
    EXPECT_TRUE(app_->logged("EOT RECV [04] OK   count[5] Len[  3] "));
    EXPECT_EQ(app_->setting("VANCFG", "VANID"), "1");
    EXPECT_EQ(app_->setting("VANCFG", "EOT_CNT"), "0");
    EXPECT_EQ(g_module.route, RouteMode::primary);
    EXPECT_EQ(g_module.link.socket, platform::kNoSocket);
}

TEST_F(Acknowledge, BackupRouteReturnsOneWithoutTraffic) {
    host::HostSim& sim = start_host(host::Scenario{});
    app_->take_backup_route();
    const std::string settings = app_->read_settings();
    EXPECT_EQ(acknowledge(g_module), AckResult::closed);
    sim.stop();
    EXPECT_EQ(sim.connections(), 0);
    EXPECT_EQ(app_->read_settings(), settings);
    EXPECT_FALSE(app_->logged("ACK SEND"));
}

// No EOT: the management message of the call's saved keyed request, on a new
// connection, its reply closed by an ACK alone.
TEST_F(Acknowledge, MissingEotSendsTheManagementMessageOfTheSavedRequest) {
    const Request keyed = sample_card_request("0200", "10", "9410123456789012=2812", "@");
    std::memcpy(g_module.call.saved_request, keyed.data(), sizeof g_module.call.saved_request);
    host::HostSim& sim = approved_on(Fault::NoEot);
    EXPECT_EQ(acknowledge(g_module), AckResult::management_sent);
    sim.stop();
    auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].type, 'S');
    EXPECT_EQ(requests[1].term_id, "1200000001");
    EXPECT_EQ(requests[1].card, "9410123456789012");
    EXPECT_EQ(requests[1].expiry, "2812");
    EXPECT_TRUE(requests[1].check_ok);
    EXPECT_EQ(sim.connections(), 2);
    EXPECT_EQ(sim.frames().back().bytes, kAckFrame);
    EXPECT_TRUE(sim.frames().back().from_client);
}

TEST_F(Acknowledge, WithoutAnOpenLinkTheAutomaticAckIsNotSent) {
    EXPECT_EQ(auto_acknowledge(g_module), AutoAckResult::ack_not_sent);
}

// Zelta_Ack first in a fresh process builds the path before acknowledging.
TEST_F(Acknowledge, BuildsTheSettingsPathWhenNoneWasBuilt) {
    approved_on(Fault::None);
    std::memset(g_module.call.settings_path, 0, sizeof g_module.call.settings_path);
    EXPECT_EQ(Zelta_Ack(), 1);
    EXPECT_EQ(app_->setting("VANCFG", "VANID"), "1");
}

struct AutoRow {
    const char* name;
    Fault fault;
    int result;
    const char* log_line;
    char no_eot_byte = 'A';  // what the frames without EOT hold
};

void PrintTo(const AutoRow& row, std::ostream* os) { *os << row.name; }

class AutoAcknowledge : public Acknowledge, public ::testing::WithParamInterface<AutoRow> {};

TEST_P(AutoAcknowledge, ResultAndLogLeavesRouteAlone) {
    app_->write_settings("[VANCFG]\nVANID=2\nEOT_CNT=2\n");
    host::HostSim& sim = approved_on(GetParam().fault, GetParam().no_eot_byte);
    route_primary_for_call(g_module);
    EXPECT_EQ(static_cast<int>(auto_acknowledge(g_module)), GetParam().result);
    sim.stop();
    EXPECT_TRUE(app_->logged("AUTO ACK SEND"));
    EXPECT_TRUE(app_->logged(GetParam().log_line)) << GetParam().log_line;
    EXPECT_EQ(app_->setting("VANCFG", "VANID"), "2");
    EXPECT_EQ(app_->setting("VANCFG", "EOT_CNT"), "2");
    EXPECT_EQ(sim.connections(), 1);  // no management message
    EXPECT_EQ(g_module.link.socket, platform::kNoSocket);
}

INSTANTIATE_TEST_SUITE_P(
    Host, AutoAcknowledge,
    ::testing::Values(AutoRow{"Eot", Fault::None, 1, "AUTO ACK EOT RECV [04] OK   count[1] Len[  3] "},
                      AutoRow{"EotInFifth", Fault::EotInFifth, 1, "AUTO ACK EOT RECV [04] OK   count[5] Len[  3] "},
                      AutoRow{"NoEot", Fault::NoEot, -1, "EOT recv time out"},
                      AutoRow{"ShortRead", Fault::ShortEot, -2, "EOT recv err2 rtn[2]"},
                      AutoRow{"FiveFrames", Fault::FramesWithoutEot, -3,
                              "AUTO ACK EOT RECV [41] ERROR   count[5] Len[  3] "},
                      AutoRow{"HighBytesPrintSigned", Fault::FramesWithoutEot, -3,
                              "AUTO ACK EOT RECV [ffffff86] ERROR   count[5] Len[  3] ", '\x86'}),
    RowName{});

}  // namespace
}  // namespace zpos::test
