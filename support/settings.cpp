// Reading and writing keys of the settings file, and the log's masking
// setting. The route state in VANCFG is support/route's.
#include "support/settings.h"

#include <cstring>

#include "platform/names.h"
#include "platform/platform.h"

namespace zpos {

using namespace settings;

int settings_read(const CallState& call, const SettingKey& key, char* out) {
    return platform::profile_read(key.section, key.name, "", out, key.size, call.settings_path);
}

void settings_write(const CallState& call, const SettingKey& key, const char* value) {
    platform::profile_write(key.section, key.name, value, call.settings_path);
}

bool setting_begins(const CallState& call, const SettingKey& key, const char* word) {
    char value[16] = {};
    settings_read(call, key, value);
    return std::strncmp(value, word, 3) == 0;
}

void log_mask_refresh(CallState& call) {
    char mask[kMask.size] = {};
    settings_read(call, kMask, mask);
    call.strict_log = platform::same_name(mask, kMaskStrict);
}

}  // namespace zpos
