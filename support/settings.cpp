// Reading and writing keys of the settings file, and the log's masking
// setting. The route state in VANCFG is support/route's.
#include "support/settings.h"

#include "platform/names.h"
#include "platform/platform.h"

namespace zpos {

using namespace settings;

int settings_read(const CallState& call, const char* section, const char* key, char* out, int size) {
    return platform::profile_read(section, key, "", out, size, call.settings_path);
}

void settings_write(const CallState& call, const char* section, const char* key, const char* value) {
    platform::profile_write(section, key, value, call.settings_path);
}

void log_mask_refresh(CallState& call) {
    char mask[kMaskSize] = {};
    settings_read(call, kLog, kMask, mask, sizeof mask);
    call.strict_log = platform::same_name(mask, kMaskStrict);
}

}  // namespace zpos
