// The route operations over the VANCFG keys and the module's route mode.
// Every key is read fresh at every use, so processes sharing the folder see
// each other's counts; each operation that writes is one edit of the file,
// its keys in one rewrite.
#include "support/route.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "support/fields.h"
#include "support/settings.h"

namespace zpos {

using namespace settings;

namespace {

// The switch's time as TOGGLE_TIME holds it.
std::array<char, 32> switch_time() {
    std::array<char, 32> text;
    std::snprintf(text.data(), text.size(), "%-14lld", platform::now());
    return text;
}

// VANID and TOGGLE_TIME, from one read of the file.
struct RouteState {
    char van_id[kVanId.size] = {};
    char toggle[kToggleTime.size] = {};
    explicit RouteState(const CallState& call) { settings_read(call, {{kVanId, van_id}, {kToggleTime, toggle}}); }
    bool says_backup() const { return atoi_text(van_id) == static_cast<int>(RouteMode::backup); }
    platform::Time switched_at() const { return std::strtoll(toggle, nullptr, 10); }  // not a number reads as 0
    bool backup_over() const { return says_backup() && platform::now() - switched_at() >= kBackupHoldSeconds; }
};

void write_primary(Module& module, SettingsEdit& edit) {
    module.route = RouteMode::primary;
    edit.write({{kVanId, "1"}, {kEotCnt, "0"}});
}

}  // namespace

void route_mode_refresh(Module& module) {
    const CallState& call = module.call;
    RouteState state(call);
    if (state.backup_over()) {
        // Decided again on the file as it is under the lock: another process
        // may have gone back, and counted a failure, since the read above.
        SettingsEdit edit(call);
        state = RouteState(call);
        if (state.backup_over()) {
            write_primary(module, edit);
            return;
        }
    }
    module.route = state.says_backup() ? RouteMode::backup : RouteMode::primary;
}

void route_points_refresh(Module& module) {
    static_cast<void>(RouteState(module.call));
    route_primary_for_call(module);
}

void route_primary_for_call(Module& module) { module.route = RouteMode::primary; }

void failure_count_step(Module& module) {
    const CallState& call = module.call;
    SettingsEdit edit(call);
    char text[kEotCnt.size] = {};
    settings_read(call, kEotCnt, text);
    int n = atoi_text(text);
    int count = n > 0 ? n + 1 : 1;
    char out[16];
    std::snprintf(out, sizeof out, "%d", count);
    if (count < kFailuresToSwitch) {
        edit.write({{kEotCnt, out}});
        return;
    }
    edit.write({{kEotCnt, out}, {kVanId, "2"}, {kToggleTime, switch_time().data()}});
    module.route = RouteMode::backup;
}

void switch_to_backup(const CallState& call) {
    SettingsEdit(call).write({{kVanId, "2"}, {kToggleTime, switch_time().data()}});
}

void reset_to_primary(Module& module) {
    SettingsEdit edit(module.call);
    write_primary(module, edit);
}

}  // namespace zpos
