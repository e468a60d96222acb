// The one instance of the module-wide state, and its per-call refresh.
#include "entry/module_state.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "support/log.h"
#include "support/settings.h"

namespace zpos {

ModuleState g_module;

void refresh_module_paths() {
    std::snprintf(g_module.version_code, sizeof g_module.version_code, "%.2s%.4s", "A4", "0X10");
    std::memset(g_module.app_dir, 0, sizeof g_module.app_dir);
    GetAppDir(g_module.app_dir);
    std::memset(g_module.settings_path, 0, sizeof g_module.settings_path);
    std::snprintf(g_module.settings_path, sizeof g_module.settings_path, "%.200s%c%s", g_module.app_dir,
                  platform::kPathSep, settings::kFileName);
}

}  // namespace zpos
