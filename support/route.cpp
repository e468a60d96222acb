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

void write_toggle_time_now(const CallState& call) {
    char text[32];
    std::snprintf(text, sizeof text, "%-14lld", platform::now());
    settings_write(call, kToggleTime, text);
}

bool file_says_backup(const CallState& call) {
    char van_id[kVanId.size] = {};
    settings_read(call, kVanId, van_id);
    return atoi_text(van_id) == static_cast<int>(RouteMode::backup);
}

platform::Time switched_at(const CallState& call) {
    char toggle[kToggleTime.size] = {};
    settings_read(call, kToggleTime, toggle);
    return std::strtoll(toggle, nullptr, 10);  // not a number reads as 0
}

}  // namespace

RouteMode route_mode() { return g_route_mode; }

RouteMode route_mode_refresh(const CallState& call) {
    if (!file_says_backup(call)) {
        g_route_mode = RouteMode::primary;
    } else if (platform::now() - switched_at(call) >= kBackupHoldSeconds) {
        reset_to_primary(call);
    } else {
        g_route_mode = RouteMode::backup;
    }
    return g_route_mode;
}

void route_points_refresh(const CallState& call) {
    char unused[kToggleTime.size];
    settings_read(call, kVanId, unused);
    settings_read(call, kToggleTime, unused);
    route_primary_for_call();
}

void route_primary_for_call() { g_route_mode = RouteMode::primary; }

void failure_count_step(const CallState& call) {
    char text[kEotCnt.size] = {};
    settings_read(call, kEotCnt, text);
    int n = atoi_text(text);
    int count = n > 0 ? n + 1 : 1;
    char out[16];
    std::snprintf(out, sizeof out, "%d", count);
    settings_write(call, kEotCnt, out);
    if (count < kFailuresToSwitch) return;
    switch_to_backup(call);
    g_route_mode = RouteMode::backup;
}

void switch_to_backup(const CallState& call) {
    settings_write(call, kVanId, "2");
    write_toggle_time_now(call);
}

void reset_to_primary(const CallState& call) {
    g_route_mode = RouteMode::primary;
    settings_write(call, kVanId, "1");
    settings_write(call, kEotCnt, "0");
}

}  // namespace zpos
