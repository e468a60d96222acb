// Settings file operations: the route state kept in VANCFG and the route mode
// refresh with its 600-second rule.
#include "support/settings.h"

#include <cstdio>
#include <cstdlib>

#include "entry/module_state.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "support/fields.h"

namespace zpos {

using namespace settings;

int settings_read(const char* section, const char* key, char* out, int size) {
    return platform::profile_read(section, key, "", out, size, g_module.settings_path);
}

void settings_write(const char* section, const char* key, const char* value) {
    platform::profile_write(section, key, value, g_module.settings_path);
}

namespace {
void write_toggle_time_now() {
    char text[32];
    std::snprintf(text, sizeof text, "%-14lld", platform::now());
    settings_write(kVanCfg, kToggleTime, text);
}
}  // namespace

int failure_count_step() {
    char text[kEotCntSize] = {};
    settings_read(kVanCfg, kEotCnt, text, sizeof text);
    int n = atoi_text(text);
    int count = n > 0 ? n + 1 : 1;
    char out[16];
    std::snprintf(out, sizeof out, "%d", count);
    settings_write(kVanCfg, kEotCnt, out);
    if (count >= 3) {
        settings_write(kVanCfg, kVanId, "2");
        write_toggle_time_now();
        g_module.route_mode = kRouteBackup;
    }
    return 0;
}

void switch_to_backup() {
    settings_write(kVanCfg, kVanId, "2");
    write_toggle_time_now();
}

void reset_to_primary() {
    settings_write(kVanCfg, kVanId, "1");
    settings_write(kVanCfg, kEotCnt, "0");
}

void log_mask_refresh() {
    char mask[kMaskSize] = {};
    settings_read(kLog, kMask, mask, sizeof mask);
    g_module.strict_log = platform::same_name(mask, kMaskStrict);
}

int route_mode_refresh() {
    char van_id[kVanIdSize] = {};
    settings_read(kVanCfg, kVanId, van_id, sizeof van_id);
    if (atoi_text(van_id) != 2) {
        g_module.route_mode = kRoutePrimary;
        return g_module.route_mode;
    }
    char toggle[kToggleTimeSize] = {};
    settings_read(kVanCfg, kToggleTime, toggle, sizeof toggle);
    platform::Time switched_at = std::strtoll(toggle, nullptr, 10);  // not a number reads as 0
    if (platform::now() - switched_at >= kBackupHoldSeconds) {
        reset_to_primary();
        g_module.route_mode = kRoutePrimary;
    } else {
        g_module.route_mode = kRouteBackup;
    }
    return g_module.route_mode;
}

}  // namespace zpos
