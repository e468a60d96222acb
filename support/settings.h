// The settings file ZposSign.ini in the application directory: its sections
// and keys, and the reads and writes of keys. The route state in VANCFG
// belongs to support/route and is read fresh at every use, so processes
// sharing the folder see each other's counts; the other keys are read once a
// call, by its first read of the file. Reads take "" as default; write
// results are ignored by design (a failed write leaves the file as it was).
// Every write holds the lock file beside the settings file; reads take no
// lock, since the file is replaced whole.
#pragma once

#include <initializer_list>

#include "platform/platform.h"
#include "support/call_state.h"

namespace zpos {

// A key of the settings file: its section, its name and the buffer the
// library reads it into, terminator included.
struct SettingKey {
    const char* section;
    const char* name;
    int size;
};

namespace settings {
inline constexpr char kFileName[] = "ZposSign.ini";
// Beside the settings file, never renamed (the settings file is replaced by a
// rename, so a lock on it would be a lock on a file about to go).
inline constexpr char kLockSuffix[] = ".lock";
// How long a write waits for another process's read-modify-write, after
// which it goes ahead unlocked as it always did.
inline constexpr int kLockWaitMs = 5000;
inline constexpr char kVanCfg[] = "VANCFG";
inline constexpr char kComPort[] = "COM_PORT";
inline constexpr char kSignPad[] = "SIGNPAD";
inline constexpr char kLog[] = "LOG";

// clang-format off
inline constexpr SettingKey kVanId      {kVanCfg,  "VANID",       3};
inline constexpr SettingKey kToggleTime {kVanCfg,  "TOGGLE_TIME", 15};
inline constexpr SettingKey kEotCnt     {kVanCfg,  "EOT_CNT",     3};
inline constexpr SettingKey kSignSetting{kComPort, "SignSetting", 4};
inline constexpr SettingKey kGetComPort {kComPort, "GetComPort",  3};
inline constexpr SettingKey kPin        {kComPort, "PIN",         4};
inline constexpr SettingKey kValue      {kSignPad, "VALUE",       5};
inline constexpr SettingKey kCurDate    {kSignPad, "CURDATE",     9};
inline constexpr SettingKey kMask       {kLog,     "MASK",        8};
// clang-format on

inline constexpr char kMaskStrict[] = "STRICT";

// Seconds the backup route stays in use after a switch.
inline constexpr long kBackupHoldSeconds = 600;
// Host failures in a row that switch to the backup route.
inline constexpr int kFailuresToSwitch = 3;
}  // namespace settings

// A key read into `out`, which holds the key's read buffer.
struct SettingRead {
    const SettingKey& key;
    char* out;
};
// A key and the value it is to be given.
struct SettingValue {
    const SettingKey& key;
    const char* value;
};

// One read-modify-write of the settings file (a failure count step, a route
// switch or reset, a key written): while it lives it holds the lock file, so
// that processes sharing the folder take turns and none loses another's
// write. The reads in between see the file no other writer is changing. It
// is never held across network I/O.
class SettingsEdit {
public:
    explicit SettingsEdit(const CallState& call);
    ~SettingsEdit();
    SettingsEdit(const SettingsEdit&) = delete;
    SettingsEdit& operator=(const SettingsEdit&) = delete;

    // Several keys with one rewrite of the file, set in the order given.
    void write(std::initializer_list<SettingValue> values);

private:
    const CallState& call_;
    platform::FileLock lock_;
};

int settings_read(const CallState& call, const SettingKey& key, char* out);
// Several keys with one read of the file.
void settings_read(const CallState& call, std::initializer_list<SettingRead> reads);
// One key written, in an edit of its own.
void settings_write(const CallState& call, const SettingKey& key, const char* value);
// The key's value begins with the three characters of `word` ("YES", "HCS").
bool setting_begins(const CallState& call, const SettingKey& key, const char* word);

// Strict card masking in the log from [LOG] MASK ("STRICT", in any case; any
// other value or none keeps the default masking), as the call read it.
bool strict_masking(const CallState& call);

}  // namespace zpos
