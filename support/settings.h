// The settings file ZposSign.ini in the application directory: its sections
// and keys, and the read and write of one key. The route state in VANCFG
// belongs to support/route. Reads take "" as default; write results are
// ignored by design (a failed write leaves the file as it was).
#pragma once

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

// Reads a key of the call's settings file into `out`, which holds the key's
// read buffer.
int settings_read(const CallState& call, const SettingKey& key, char* out);
void settings_write(const CallState& call, const SettingKey& key, const char* value);
// The key's value begins with the three characters of `word` ("YES", "HCS").
bool setting_begins(const CallState& call, const SettingKey& key, const char* word);

// Strict card masking in the log from [LOG] MASK ("STRICT", in any case; any
// other value or none keeps the default masking). Each exported call reads it
// once, at its start.
void log_mask_refresh(CallState& call);

}  // namespace zpos
