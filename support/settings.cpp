// Reading and writing keys of the settings file, and the log's masking
// setting. The route state in VANCFG is support/route's.
#include "support/settings.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <span>

#include "platform/names.h"
#include "platform/platform.h"

namespace zpos {

using namespace settings;

namespace {

// The keys a call reads once, in the order of CallSettings::values: the pad's
// and the log's, which nothing but the installer changes.
constexpr std::array<const SettingKey*, CallSettings::kKeys> kOncePerCall = {&kMask,     &kSignSetting, &kGetComPort,
                                                                             &kPin,      &kValue,       &kCurDate};
static_assert([] {
    for (const SettingKey* key : kOncePerCall)
        if (key->size > CallSettings::kValueSize) return false;
    return true;
}());

bool same_key(const SettingKey& a, const SettingKey& b) {
    return std::strcmp(a.section, b.section) == 0 && std::strcmp(a.name, b.name) == 0;
}

int once_per_call_slot(const SettingKey& key) {
    for (std::size_t i = 0; i < kOncePerCall.size(); ++i)
        if (same_key(*kOncePerCall[i], key)) return static_cast<int>(i);
    return -1;
}

// One read of the file for `reads` and, when the call has not read them yet,
// the keys it reads once.
void read_file(const CallState& call, std::initializer_list<SettingRead> reads) {
    constexpr std::size_t kMostReads = 4;
    std::array<platform::ProfileKey, CallSettings::kKeys + kMostReads> keys{};
    std::size_t n = 0;
    if (!call.settings.read)
        for (std::size_t i = 0; i < kOncePerCall.size(); ++i)
            keys[n++] = {kOncePerCall[i]->section, kOncePerCall[i]->name, call.settings.values[i],
                         kOncePerCall[i]->size};
    for (const SettingRead& r : reads)
        if (n < keys.size()) keys[n++] = {r.key.section, r.key.name, r.out, r.key.size};
    platform::profile_read_keys(std::span(keys.data(), n), call.settings_path);
    call.settings.read = true;
}

platform::FileLock lock_settings(const CallState& call) {
    if (call.settings_path[0] == '\0') return platform::kNoLock;
    char path[sizeof call.settings_path + sizeof kLockSuffix];
    std::snprintf(path, sizeof path, "%s%s", call.settings_path, kLockSuffix);
    return platform::lock_file(path, kLockWaitMs);
}

}  // namespace

int settings_read(const CallState& call, const SettingKey& key, char* out) {
    int slot = once_per_call_slot(key);
    if (slot < 0) {
        read_file(call, {{key, out}});
    } else {
        if (!call.settings.read) read_file(call, {});
        std::snprintf(out, static_cast<std::size_t>(key.size), "%s", call.settings.values[slot]);
    }
    return static_cast<int>(std::strlen(out));
}

void settings_read(const CallState& call, std::initializer_list<SettingRead> reads) { read_file(call, reads); }

SettingsEdit::SettingsEdit(const CallState& call) : call_(call), lock_(lock_settings(call)) {}

SettingsEdit::~SettingsEdit() { platform::lock_release(lock_); }

void settings_write(const CallState& call, const SettingKey& key, const char* value) {
    SettingsEdit(call).write({{key, value}});
}

// A key the call reads once, once written, is read again from the file.
void SettingsEdit::write(std::initializer_list<SettingValue> values) {
    constexpr std::size_t kMostWrites = 4;
    std::array<platform::ProfileEntry, kMostWrites> entries{};
    std::size_t n = 0;
    for (const SettingValue& v : values) {
        if (n < entries.size()) entries[n++] = {v.key.section, v.key.name, v.value};
        if (once_per_call_slot(v.key) >= 0) call_.settings.read = false;
    }
    platform::profile_write_keys(std::span(entries.data(), n), call_.settings_path);
}

bool setting_begins(const CallState& call, const SettingKey& key, const char* word) {
    char value[16] = {};
    settings_read(call, key, value);
    return std::strncmp(value, word, 3) == 0;
}

bool strict_masking(const CallState& call) {
    char mask[kMask.size] = {};
    settings_read(call, kMask, mask);
    return platform::same_name(mask, kMaskStrict);
}

}  // namespace zpos
