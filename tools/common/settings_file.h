// The library's settings file (ZposSign.ini) as the programs beside it read
// and edit it: the same private-profile reading (sections and keys without
// regard to case, trimmed values, quotes dropped), and edits that leave the
// file byte for byte as the library's own writes would, made while holding
// the lock file the library holds for its read-modify-writes.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zpos::tools {

inline constexpr char kSettingsFile[] = "ZposSign.ini";
// Beside the settings file, which is replaced by a rename and so cannot be
// locked itself.
inline constexpr char kSettingsLockSuffix[] = ".lock";
// How long an edit waits for another process's; it then goes ahead, as the
// library's own writes do.
inline constexpr int kSettingsLockWaitMs = 5000;

// Section and key names compare as the library compares them: ASCII letters
// without regard to case.
bool same_name(std::string_view a, std::string_view b);

// A key's value in the file at `path`, or `fallback` when the key (or the
// file) is missing.
std::string settings_value(const std::string& path, const char* section, const char* key,
                           const std::string& fallback);

struct SettingsEntry {
    const char* section;
    const char* key;
    std::string value;
};

// `file` with one key set: its line replaced, or added after the last line of
// its section, or the section added at the end; line breaks as the file has
// them. Unchanged when the line already reads so.
std::string settings_with(const std::string& file, const SettingsEntry& entry);

// Sets the entries in order under the lock and replaces the file whole; false
// with `error` when the file cannot be read or written.
bool settings_write(const std::string& path, std::span<const SettingsEntry> entries, std::string& error);

}  // namespace zpos::tools
