// The module's one state and its per-call preparation.
#include "entry/call.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/registry.h"
#include "support/log.h"
#include "support/settings.h"

namespace zpos {

// Constant-initialized: no constructor runs at load, so nothing can use it
// before it is ready.
constinit Module g_module;

void prepare_call() {
    CallState& call = g_module.call;
    std::snprintf(call.version_code, sizeof call.version_code, "%.2s%.4s", "A4", "0X10");
    std::memset(call.app_dir, 0, sizeof call.app_dir);
    GetAppDir(call.app_dir);
    std::memset(call.settings_path, 0, sizeof call.settings_path);
    std::snprintf(call.settings_path, sizeof call.settings_path, "%.200s%c%s", call.app_dir, platform::kPathSep,
                  settings::kFileName);
    call.settings = {};
    log_begin_call(g_module);
}

ExportedCall::ExportedCall() : log_(g_module) {
    g_module.call.settings = {};
    platform::registry_hold_reads(true);
}

ExportedCall::~ExportedCall() { platform::registry_hold_reads(false); }

}  // namespace zpos
