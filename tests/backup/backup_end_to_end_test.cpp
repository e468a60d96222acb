// Zelta_Send between the primary host and the backup library: which answers,
// and when a declined cancellation is handed over in the same call.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/platform.h"
#include "tests/backup/backup_fixture.h"
#include "tests/common/print.h"
#include "tools/host/host_sim.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

struct HandoverCase {
    const char* name;
    const char* msg_type;
    const char* tran_kind;
    bool host_declines;
    const char* term_id;  // the backup route takes "120..." only
    bool backup_route;    // the backup route in force
    bool backup_knows;    // its server holds the approval
    bool handed_over;
    int host_requests;
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
    if (c.backup_route) settings = "[VANCFG]\nVANID=2\nEOT_CNT=3\nTOGGLE_TIME=" + std::to_string(platform::now()) + "\n";
    if (!c.backup_knows) dir.server.answer(BackupAnswer::unknown_3600);
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
    EXPECT_EQ(primary.requests().size(), static_cast<std::size_t>(c.host_requests));
    EXPECT_EQ(dir.server.served(), c.backup_requests);
    EXPECT_EQ(field(response.data(), resp::resp_code), c.resp_code);
    EXPECT_EQ(dir.logged("Don't find CANCLE so Send to BACKUP"), c.handed_over);
    if (c.backup_route && c.backup_knows) {
        // The backup route stays in force; Zelta_Ack sends nothing on it.
        EXPECT_EQ(Zelta_Ack(), 1);
        EXPECT_EQ(dir.setting("VANCFG", "VANID"), "2");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Handover,
    ::testing::Values(
        HandoverCase{"DeclinedCancellationGoes", "0420", "30", true, "1200000001", false, true, true, 1, 1, "0000"},
        HandoverCase{"UnbuiltRequestLeavesTheDecline", "0420", "30", true, "1450019998", false, true, true, 1, 0,
                     "8324"},
        HandoverCase{"ApprovedCancellationStays", "0420", "30", false, "1200000001", false, true, false, 1, 0, "0000"},
        HandoverCase{"DeclinedApprovalStays", "0200", "10", true, "1200000001", false, true, false, 1, 0, "8324"},
        HandoverCase{"DeclinedF2CancellationStays", "0420", "F2", true, "1200000001", false, true, false, 1, 0,
                     "8324"},
        HandoverCase{"BackupRouteAnswersAlone", "0200", "10", false, "1200000001", true, true, false, 0, 1, "0000"},
        HandoverCase{"UnknownOnBackupRouteGoesToTheHost", "0420", "30", true, "1200000001", true, false, false, 1, 1,
                     "8324"}),
    RowName{});

}  // namespace
}  // namespace zpos::test
