// Card transactions through Zelta_Send while the settings file holds the
// backup route: the backup library answers, or hands back to the primary host
// in the same call when it does not know the approval being cancelled.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "entry/call.h"
#include "link/link_timing.h"
#include "platform/module_hooks.h"
#include "platform/platform.h"
#include "tests/backup/backup_fixture.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

class BackupRouteEndToEnd : public ::testing::Test {
protected:
    // Module start, as loading the library runs it: it wires the hand-over.
    static void SetUpTestSuite() { ASSERT_TRUE(platform::on_module_load()); }
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

// A cancellation the primary host declines goes to the backup route in the
// same call, through the hand-over module start wires in.
TEST_F(BackupRouteEndToEnd, CancellationThePrimaryHostDeclinesGoesToTheBackupRoute) {
    dir.write_settings("[VANCFG]\nVANID=1\nEOT_CNT=0\n");
    host::Scenario declining;
    declining.rules = {host::decline_card("4092")};
    host::HostSim primary{declining};
    ASSERT_TRUE(primary.start());
    Request cancel = card_request("000030000");
    cancel.set(req::msg_type, "0420").set(req::tran_kind, "30");
    EXPECT_EQ(Zelta_Send("127.0.0.1", primary.port(), cancel.data(), response.data()), 1);
    primary.stop();
    EXPECT_EQ(primary.requests().size(), 1u);
    EXPECT_EQ(dir.server.served(), 1);
    EXPECT_EQ(field(response.data(), resp::resp_code), "0000");
    auto lines = dir.log_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Don't find CANCLE so Send to BACKUP"), lines.end());
}

}  // namespace
}  // namespace zpos::test
