// The settings file ZposSign.ini in the application directory: its sections
// and keys, and the read and write of one key. The route state in VANCFG
// belongs to support/route. Reads take "" as default; write results are
// ignored by design (a failed write leaves the file as it was).
#pragma once

#include "support/call_state.h"

namespace zpos {

namespace settings {
inline constexpr char kVanCfg[] = "VANCFG";
inline constexpr char kVanId[] = "VANID";
inline constexpr char kToggleTime[] = "TOGGLE_TIME";
inline constexpr char kEotCnt[] = "EOT_CNT";
inline constexpr char kComPort[] = "COM_PORT";
inline constexpr char kSignSetting[] = "SignSetting";
inline constexpr char kGetComPort[] = "GetComPort";
inline constexpr char kPin[] = "PIN";
inline constexpr char kSignPad[] = "SIGNPAD";
inline constexpr char kValue[] = "VALUE";
inline constexpr char kCurDate[] = "CURDATE";
inline constexpr char kLog[] = "LOG";
inline constexpr char kMask[] = "MASK";
inline constexpr char kMaskStrict[] = "STRICT";
inline constexpr char kFileName[] = "ZposSign.ini";
// Read buffer sizes, terminator included.
inline constexpr int kVanIdSize = 3;
inline constexpr int kToggleTimeSize = 15;
inline constexpr int kEotCntSize = 3;
inline constexpr int kSignSettingSize = 4;
inline constexpr int kGetComPortSize = 3;
inline constexpr int kPinSize = 4;
inline constexpr int kValueSize = 5;
inline constexpr int kCurDateSize = 9;
inline constexpr int kMaskSize = 8;

// Seconds the backup route stays in use after a switch.
inline constexpr long kBackupHoldSeconds = 600;
// Host failures in a row that switch to the backup route.
inline constexpr int kFailuresToSwitch = 3;
}  // namespace settings

// Reads a key of the call's settings file into `out` (`size` bytes).
int settings_read(const CallState& call, const char* section, const char* key, char* out, int size);
void settings_write(const CallState& call, const char* section, const char* key, const char* value);

// Strict card masking in the log from [LOG] MASK ("STRICT", in any case; any
// other value or none keeps the default masking). Each exported call reads it
// once, at its start.
void log_mask_refresh(CallState& call);

}  // namespace zpos
