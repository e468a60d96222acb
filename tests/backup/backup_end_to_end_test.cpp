// Card transactions through Zelta_Send while the settings file holds the
// backup route: the backup library answers, or hands back to the primary host
// in the same call when it does not know the approval being cancelled.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "entry/call.h"
#include "link/link_timing.h"
#include "platform/platform.h"
#include "tests/backup/backup_fixture.h"
#include "tests/common/print.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

class BackupRouteEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_sim.start());
        dir.write_settings("[VANCFG]\nVANID=2\nTOGGLE_TIME=" + std::to_string(platform::now()) + "\nEOT_CNT=3\n");
    }
    void TearDown() override {
        host_sim.stop();
    }
    int send(const Request& r) { return Zelta_Send("127.0.0.1", host_sim.port(), r.data(), response.data()); }

    ShortLinkWaits waits{500, 300};
    BackupDir dir;
    host::HostSim host_sim{host::Scenario{}};
    std::array<char, resp::kSize> response{};
};

TEST_F(BackupRouteEndToEnd, ApprovalGoesThroughTheBackupLibraryOnly) {
    EXPECT_EQ(send(card_request("000030000")), 1);
    EXPECT_EQ(field(response.data(), resp::resp_code), "0000");
    EXPECT_EQ(dir.server.served(), 1);
    EXPECT_EQ(host_sim.connections(), 0);
    // The backup route stays in force; Zelta_Ack sends nothing on it.
    EXPECT_EQ(Zelta_Ack(), 1);
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), "2");
}

TEST_F(BackupRouteEndToEnd, UnknownApprovalIsSentToThePrimaryHostInTheSameCall) {
    dir.server.answer(BackupAnswer::unknown_3600);
    Request cancel = card_request("000030000");
    cancel.set(req::msg_type, "0420").set(req::tran_kind, "30");
    EXPECT_EQ(send(cancel), 1);
    EXPECT_EQ(dir.server.served(), 1);
    host_sim.stop();
    ASSERT_EQ(host_sim.requests().size(), 1u);
    EXPECT_EQ(field(response.data(), resp::resp_code), "0000");
}

TEST_F(BackupRouteEndToEnd, MissingLibraryEndsTheCallAndReturnsToThePrimaryRoute) {
    std::remove(dir.file(std::string("BACKUPDLL") + platform::kLibSuffix).c_str());
    // The backup request cannot encipher the track without the library.
    EXPECT_EQ(send(card_request("000030000")), -9);
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), "1");
    EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), "0");
    EXPECT_EQ(host_sim.connections(), 0);
}

// The hand-over: only a card cancellation the primary host declines, while
// the primary route is in force, goes to the backup route in the same call;
// the backup server's answer is the response, and a backup request that
// cannot be built leaves the host's decline to fill it.
struct HandoverCase {
    const char* name;
    const char* msg_type;
    const char* tran_kind;
    bool host_declines;
    const char* term_id;  // the backup route takes "120..." only
    bool backup_route;    // the backup route in force, its server not knowing the approval
    bool handed_over;
    int backup_requests;
    const char* resp_code;
};

void PrintTo(const HandoverCase& c, std::ostream* os) { *os << c.name; }

class Handover : public ::testing::TestWithParam<HandoverCase> {};

TEST_P(Handover, OnlyADeclinedCardCancellationOnThePrimaryRoute) {
    const HandoverCase& c = GetParam();
    ShortLinkWaits waits{500, 300};
    BackupDir dir;
    std::string settings = "[VANCFG]\nVANID=1\nEOT_CNT=0\n";
    if (c.backup_route) {
        settings = "[VANCFG]\nVANID=2\nEOT_CNT=3\nTOGGLE_TIME=" + std::to_string(platform::now()) + "\n";
        dir.server.answer(BackupAnswer::unknown_3600);
    }
    dir.write_settings(settings);
    host::Scenario scenario;
    if (c.host_declines) scenario.rules = {host::decline_card("4092")};
    host::HostSim primary{scenario};
    ASSERT_TRUE(primary.start());
    Request r = card_request("000030000");
    r.set(req::msg_type, c.msg_type).set(req::tran_kind, c.tran_kind).set(req::term_id, c.term_id);
    std::array<char, resp::kSize> response{};
    EXPECT_EQ(Zelta_Send("127.0.0.1", primary.port(), r.data(), response.data()), 1);
    primary.stop();
    EXPECT_EQ(primary.requests().size(), 1u);
    EXPECT_EQ(dir.server.served(), c.backup_requests);
    EXPECT_EQ(field(response.data(), resp::resp_code), c.resp_code);
    EXPECT_EQ(dir.logged("Don't find CANCLE so Send to BACKUP"), c.handed_over);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Handover,
    ::testing::Values(
        HandoverCase{"DeclinedCancellationGoes", "0420", "30", true, "1200000001", false, true, 1, "0000"},
        HandoverCase{"UnbuiltRequestLeavesTheDecline", "0420", "30", true, "1450019998", false, true, 0, "8324"},
        HandoverCase{"ApprovedCancellationStays", "0420", "30", false, "1200000001", false, false, 0, "0000"},
        HandoverCase{"DeclinedApprovalStays", "0200", "10", true, "1200000001", false, false, 0, "8324"},
        HandoverCase{"DeclinedF2CancellationStays", "0420", "F2", true, "1200000001", false, false, 0, "8324"},
        HandoverCase{"NotOnTheBackupRoute", "0420", "30", true, "1200000001", true, false, 1, "8324"}),
    RowName{});

}  // namespace
}  // namespace zpos::test
