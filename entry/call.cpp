// The module's call state and its per-call preparation.
#include "entry/call.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/registry.h"
#include "support/log.h"
#include "support/settings.h"

namespace zpos {

CallState g_call;

void prepare_call() {
    std::snprintf(g_call.version_code, sizeof g_call.version_code, "%.2s%.4s", "A4", "0X10");
    std::memset(g_call.app_dir, 0, sizeof g_call.app_dir);
    GetAppDir(g_call.app_dir);
    std::memset(g_call.settings_path, 0, sizeof g_call.settings_path);
    std::snprintf(g_call.settings_path, sizeof g_call.settings_path, "%.200s%c%s", g_call.app_dir,
                  platform::kPathSep, settings::kFileName);
    g_call.settings = {};
    log_begin_call(g_call);
}

ExportedCall::ExportedCall() {
    g_call.settings = {};
    platform::registry_hold_reads(true);
}

ExportedCall::~ExportedCall() { platform::registry_hold_reads(false); }

}  // namespace zpos
