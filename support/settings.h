// The settings file ZposSign.ini in the application directory: the route state
// (VANID, TOGGLE_TIME, EOT_CNT) shared by every process using that directory,
// and the signature-pad settings. Reads take "" as default; write results are
// ignored by design (a failed write leaves the file as it was).
#pragma once

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
}  // namespace settings

// Reads a key of the settings file into `out` (`size` bytes).
int settings_read(const char* section, const char* key, char* out, int size);
void settings_write(const char* section, const char* key, const char* value);

// Counts one host failure; at the third in a row switches to the backup route
// (VANID "2", TOGGLE_TIME now, route mode 2). Returns 0.
int failure_count_step();
// VANID "2" and TOGGLE_TIME now; the in-memory route mode is left alone.
void switch_to_backup();
// VANID "1" and EOT_CNT "0" in the file only; callers set the route mode.
void reset_to_primary();
// Route mode from VANID and TOGGLE_TIME with the 600-second rule; returns it.
int route_mode_refresh();

// Strict card masking in the log from [LOG] MASK ("STRICT", in any case; any
// other value or none keeps the default masking). Each exported call reads it
// once, at its start.
void log_mask_refresh();

}  // namespace zpos
