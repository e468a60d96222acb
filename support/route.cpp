// The route operations over the VANCFG keys, and the one route mode variable.
// Every key is read fresh at every use, so processes sharing the folder see
// each other's counts.
#include "support/route.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "support/fields.h"
#include "support/settings.h"

namespace zpos {

using namespace settings;

namespace {

RouteMode g_route_mode = RouteMode::primary;

void write_toggle_time_now() {
    char text[32];
    std::snprintf(text, sizeof text, "%-14lld", platform::now());
    settings_write(kVanCfg, kToggleTime, text);
}

bool file_says_backup() {
    char van_id[kVanIdSize] = {};
    settings_read(kVanCfg, kVanId, van_id, sizeof van_id);
    return atoi_text(van_id) == static_cast<int>(RouteMode::backup);
}

platform::Time switched_at() {
    char toggle[kToggleTimeSize] = {};
    settings_read(kVanCfg, kToggleTime, toggle, sizeof toggle);
    return std::strtoll(toggle, nullptr, 10);  // not a number reads as 0
}

}  // namespace

RouteMode route_mode() { return g_route_mode; }

RouteMode route_mode_refresh() {
    if (!file_says_backup()) {
        g_route_mode = RouteMode::primary;
    } else if (platform::now() - switched_at() >= kBackupHoldSeconds) {
        reset_to_primary();
    } else {
        g_route_mode = RouteMode::backup;
    }
    return g_route_mode;
}

void route_points_refresh() {
    char unused[kToggleTimeSize];
    settings_read(kVanCfg, kVanId, unused, kVanIdSize);
    settings_read(kVanCfg, kToggleTime, unused, kToggleTimeSize);
    route_primary_for_call();
}

void route_primary_for_call() { g_route_mode = RouteMode::primary; }

void failure_count_step() {
    char text[kEotCntSize] = {};
    settings_read(kVanCfg, kEotCnt, text, sizeof text);
    int n = atoi_text(text);
    int count = n > 0 ? n + 1 : 1;
    char out[16];
    std::snprintf(out, sizeof out, "%d", count);
    settings_write(kVanCfg, kEotCnt, out);
    if (count < kFailuresToSwitch) return;
    switch_to_backup();
    g_route_mode = RouteMode::backup;
}

void switch_to_backup() {
    settings_write(kVanCfg, kVanId, "2");
    write_toggle_time_now();
}

void reset_to_primary() {
    g_route_mode = RouteMode::primary;
    settings_write(kVanCfg, kVanId, "1");
    settings_write(kVanCfg, kEotCnt, "0");
}

}  // namespace zpos
