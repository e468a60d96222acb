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

TEST(FailureCountStep, CountsUpAndSwitchesAtThree) {
    AppDir dir;
    FixedClock clock(kNow);
    route_primary_for_call(g_module);
    failure_count_step(g_module);
    EXPECT_EQ(dir.read_settings(), "[VANCFG]\nEOT_CNT=1\n");
    failure_count_step(g_module);
    EXPECT_EQ(g_module.route, RouteMode::primary);
    failure_count_step(g_module);
    EXPECT_EQ(dir.read_settings(), "[VANCFG]\nEOT_CNT=3\nVANID=2\nTOGGLE_TIME=1700000000    \n");
    EXPECT_EQ(g_module.route, RouteMode::backup);
}

TEST(FailureCountStep, NegativeOrJunkCountStartsAgainAtOne) {
    for (const char* stored : {"-4", "x", "0"}) {
        AppDir dir;
        dir.write_settings(std::string("[VANCFG]\nEOT_CNT=") + stored + "\n");
        failure_count_step(g_module);
        EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), "1") << stored;
    }
}

TEST(FailureCountStep, CountingOnTheBackupRouteRestartsTheHold) {
    AppDir dir;
    FixedClock clock(kNow);
    dir.write_settings("[VANCFG]\nVANID=2\nTOGGLE_TIME=1699999000    \nEOT_CNT=3\n");
    failure_count_step(g_module);
    EXPECT_EQ(dir.read_settings(), "[VANCFG]\nVANID=2\nTOGGLE_TIME=1700000000    \nEOT_CNT=4\n");
}

TEST(SwitchToBackup, WritesRouteAndTimeButLeavesTheCallsRoute) {
    AppDir dir;
    FixedClock clock(kNow);
    route_primary_for_call(g_module);
    dir.write_settings("[VANCFG]\nEOT_CNT=1\n[COM_PORT]\nPIN=YES\n");
    switch_to_backup(g_module.call);
    EXPECT_EQ(dir.read_settings(),
              "[VANCFG]\nEOT_CNT=1\nVANID=2\nTOGGLE_TIME=1700000000    \n[COM_PORT]\nPIN=YES\n");
    EXPECT_EQ(g_module.route, RouteMode::primary);
}

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

struct RefreshCase {
    const char* name;
    const char* settings;
    RouteMode route_mode;
    const char* settings_after;  // nullptr: unchanged
};

class RouteModeRefresh : public ::testing::TestWithParam<RefreshCase> {};

TEST_P(RouteModeRefresh, AppliesTheHoldRule) {
    const RefreshCase& c = GetParam();
    AppDir dir;
    FixedClock clock(kNow);
    dir.write_settings(c.settings);
    route_mode_refresh(g_module);
    EXPECT_EQ(g_module.route, c.route_mode);
    EXPECT_EQ(dir.read_settings(), c.settings_after ? c.settings_after : c.settings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RouteModeRefresh,
    ::testing::Values(
        RefreshCase{"Backup599SecondsAgoStays", "[VANCFG]\nVANID=2\nTOGGLE_TIME=1699999401    \nEOT_CNT=3\n",
                    RouteMode::backup, nullptr},
        RefreshCase{"Backup600SecondsAgoReturns", "[VANCFG]\nVANID=2\nTOGGLE_TIME=1699999400    \nEOT_CNT=3\n",
                    RouteMode::primary, "[VANCFG]\nVANID=1\nTOGGLE_TIME=1699999400    \nEOT_CNT=0\n"},
        RefreshCase{"TimeNotANumberReturnsAtOnce", "[VANCFG]\nVANID=2\nTOGGLE_TIME=soon\n", RouteMode::primary,
                    "[VANCFG]\nVANID=1\nTOGGLE_TIME=soon\nEOT_CNT=0\n"},
        RefreshCase{"PrimaryWritesNothing", "[VANCFG]\nVANID=1\nEOT_CNT=2\n", RouteMode::primary, nullptr},
        RefreshCase{"OtherValueReadsAsPrimary", "[VANCFG]\nVANID=3\n", RouteMode::primary, nullptr},
        RefreshCase{"EmptyFile", "", RouteMode::primary, nullptr}),
    RowName{});

}  // namespace
}  // namespace zpos::test
