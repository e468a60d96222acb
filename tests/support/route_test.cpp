// Route state in the settings file: the failure count step, the switches and
// the 600-second refresh.
#include <gtest/gtest.h>

#include "entry/call.h"
#include "support/log.h"
#include "support/route.h"
#include "tests/common/app_dir.h"
#include "tests/common/print.h"

namespace zpos::test {
namespace {

constexpr platform::Time kNow = 1700000000;

// Past January 2038 (here 2040-01-01 12:00 UTC, beyond 32 bits) the switch
// time is written and read whole, so the hold still stands 599 seconds on;
// the log file takes that day's date.
TEST(RouteTime, BeyondThirtyTwoBits) {
    AppDir dir;
    FixedClock clock(2209032000);
    switch_to_backup(g_module.call);
    EXPECT_EQ(dir.read_settings(), "[VANCFG]\nVANID=2\nTOGGLE_TIME=2209032000    \n");
    clock.set(2209032000 + 599);
    route_mode_refresh(g_module);
    EXPECT_EQ(g_module.route, RouteMode::backup);
    WriteLogText("after 2038");
    EXPECT_EQ(dir.log_lines("400101"), std::vector<std::string>{"after 2038"});
}

// One step from a settings file: the route it leaves and the file after.
struct StepCase {
    const char* name;
    void (*step)();
    const char* settings;
    RouteMode route_before;
    RouteMode route_after;
    const char* settings_after;  // nullptr: unchanged
};

void count_failure() { failure_count_step(g_module); }
void switch_route() { switch_to_backup(g_module.call); }
void refresh() { route_mode_refresh(g_module); }

class RouteStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(RouteStep, RouteAndSettingsAfter) {
    const StepCase& c = GetParam();
    AppDir dir;
    FixedClock clock(kNow);
    dir.write_settings(c.settings);
    g_module.route = c.route_before;
    c.step();
    EXPECT_EQ(g_module.route, c.route_after);
    EXPECT_EQ(dir.read_settings(), c.settings_after ? c.settings_after : c.settings);
}

constexpr RouteMode kPrimary = RouteMode::primary;
constexpr RouteMode kBackup = RouteMode::backup;

// The third failure switches to the backup route; one counted on a bad count
// starts again at one, on the backup route restarts the hold; a switch leaves
// the call's route; a refresh applies the 600-second hold.
INSTANTIATE_TEST_SUITE_P(
    Cases, RouteStep,
    ::testing::Values(
        StepCase{"FirstFailureCounts", count_failure, "", kPrimary, kPrimary, "[VANCFG]\nEOT_CNT=1\n"},
        StepCase{"SecondFailureCounts", count_failure, "[VANCFG]\nEOT_CNT=1\n", kPrimary, kPrimary,
                 "[VANCFG]\nEOT_CNT=2\n"},
        StepCase{"ThirdFailureSwitches", count_failure, "[VANCFG]\nEOT_CNT=2\n", kPrimary, kBackup,
                 "[VANCFG]\nEOT_CNT=3\nVANID=2\nTOGGLE_TIME=1700000000    \n"},
        StepCase{"NegativeCountStartsAgainAtOne", count_failure, "[VANCFG]\nEOT_CNT=-4\n", kPrimary, kPrimary,
                 "[VANCFG]\nEOT_CNT=1\n"},
        StepCase{"JunkCountStartsAgainAtOne", count_failure, "[VANCFG]\nEOT_CNT=x\n", kPrimary, kPrimary,
                 "[VANCFG]\nEOT_CNT=1\n"},
        StepCase{"ZeroCountGoesToOne", count_failure, "[VANCFG]\nEOT_CNT=0\n", kPrimary, kPrimary,
                 "[VANCFG]\nEOT_CNT=1\n"},
        StepCase{"CountingOnTheBackupRouteRestartsTheHold", count_failure,
                 "[VANCFG]\nVANID=2\nTOGGLE_TIME=1699999000    \nEOT_CNT=3\n", kBackup, kBackup,
                 "[VANCFG]\nVANID=2\nTOGGLE_TIME=1700000000    \nEOT_CNT=4\n"},
        StepCase{"SwitchWritesRouteAndTimeButLeavesTheCallsRoute", switch_route,
                 "[VANCFG]\nEOT_CNT=1\n[COM_PORT]\nPIN=YES\n", kPrimary, kPrimary,
                 "[VANCFG]\nEOT_CNT=1\nVANID=2\nTOGGLE_TIME=1700000000    \n[COM_PORT]\nPIN=YES\n"},
        StepCase{"Backup599SecondsAgoStays", refresh, "[VANCFG]\nVANID=2\nTOGGLE_TIME=1699999401    \nEOT_CNT=3\n",
                 kPrimary, kBackup, nullptr},
        StepCase{"Backup600SecondsAgoReturns", refresh, "[VANCFG]\nVANID=2\nTOGGLE_TIME=1699999400    \nEOT_CNT=3\n",
                 kBackup, kPrimary, "[VANCFG]\nVANID=1\nTOGGLE_TIME=1699999400    \nEOT_CNT=0\n"},
        StepCase{"TimeNotANumberReturnsAtOnce", refresh, "[VANCFG]\nVANID=2\nTOGGLE_TIME=soon\n", kBackup, kPrimary,
                 "[VANCFG]\nVANID=1\nTOGGLE_TIME=soon\nEOT_CNT=0\n"},
        StepCase{"PrimaryWritesNothing", refresh, "[VANCFG]\nVANID=1\nEOT_CNT=2\n", kBackup, kPrimary, nullptr},
        StepCase{"OtherValueReadsAsPrimary", refresh, "[VANCFG]\nVANID=3\n", kBackup, kPrimary, nullptr},
        StepCase{"EmptyFile", refresh, "", kBackup, kPrimary, nullptr}),
    RowName{});

}  // namespace
}  // namespace zpos::test
