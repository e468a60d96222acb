// The keys of the settings file as a table: section, key, the library's read
// buffer, what the value means and which values an edit may write. Values the
// library would cut or misread are refused rather than written.
#include "tools/zpos/settings_command.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <string_view>

#include "tools/common/settings_file.h"

namespace zpos::cli {

namespace {

// Which values an edit accepts for a key.
enum class Accepts { Route, Count, Time, YesNo, Number, Date, Text };

// A key as the library reads it: its section, its name, and the buffer it is
// read into (terminator included), so longer values are cut.
struct Key {
    const char* section;
    const char* name;
    int size;
    Accepts accepts;
    const char* expects;
    const char* meaning;
};

constexpr char kVanCfg[] = "VANCFG";
constexpr char kComPort[] = "COM_PORT";
constexpr char kSignPad[] = "SIGNPAD";
constexpr char kLog[] = "LOG";
// Seconds the backup route stays in use after a switch.
constexpr long kBackupHoldSeconds = 600;

using tools::same_name;

// clang-format off
const Key kKeys[] = {
    {kVanCfg, "VANID", 3, Accepts::Route, "1 or 2",
     "route in use: 1 primary host, 2 backup route (anything else reads as 1)"},
    {kVanCfg, "TOGGLE_TIME", 15, Accepts::Time, "seconds since 1970 (UTC) or 'now'",
     "when the backup route was taken; the primary host is tried again 600 s later"},
    {kVanCfg, "EOT_CNT", 3, Accepts::Count, "a whole number from 0 to 99",
     "host failures in a row on the primary route; the third switches to the backup route"},
    {kComPort, "SignSetting", 4, Accepts::YesNo, "YES or NO",
     "YES: ask for a signature above 50,000 (and send it on the backup route)"},
    {kComPort, "GetComPort", 3, Accepts::Number, "a whole number from 0 to 99",
     "serial port number of the signature/PIN pad"},
    {kComPort, "PIN", 4, Accepts::YesNo, "YES or NO", "YES: ask for a PIN on kinds F1/F2 and on points"},
    {kSignPad, "VALUE", 5, Accepts::Text, "up to 4 characters",
     "pad model; HCS turns on the daily pad report"},
    {kSignPad, "CURDATE", 9, Accepts::Date, "a date YYMMDD",
     "date of the last daily pad report"},
    {kLog, "MASK", 8, Accepts::Text, "STRICT, or anything else for the default",
     "STRICT: card numbers in the log show only their first six and last four digits"},
};
// clang-format on
const Key& kVanId = kKeys[0];
const Key& kToggleTime = kKeys[1];
const Key& kEotCnt = kKeys[2];

const char* const kSections[] = {kVanCfg, kComPort, kSignPad, kLog};

std::string settings_path(const std::string& dir) {
    return dir + "/" + tools::kSettingsFile;
}

// The key names of `section`, or of every section when it is null.
std::string key_names(const char* section) {
    std::string names;
    for (const Key& k : kKeys) {
        if (section && std::strcmp(section, k.section) != 0) continue;
        if (!names.empty()) names += ", ";
        names += k.name;
    }
    return names;
}

// Finds the key named by "SECTION.KEY" or "KEY" (names compare without regard
// to case, as the library's reads do).
const Key* find_key(std::string_view name, std::string& error) {
    std::string_view section;
    std::size_t dot = name.find('.');
    if (dot != std::string_view::npos) {
        section = name.substr(0, dot);
        name = name.substr(dot + 1);
        const char* known = nullptr;
        for (const char* s : kSections)
            if (same_name(section, s)) known = s;
        if (!known) {
            error = "unknown section '" + std::string(section) + "' (sections: ";
            for (const char* s : kSections) error += std::string(s == kSections[0] ? "" : ", ") + s;
            error += ")";
            return nullptr;
        }
        for (const Key& k : kKeys)
            if (k.section == known && same_name(name, k.name)) return &k;
        error = "no key '" + std::string(name) + "' in section " + known + " (keys: " + key_names(known) + ")";
        return nullptr;
    }
    for (const Key& k : kKeys)
        if (same_name(name, k.name)) return &k;
    error = "unknown key '" + std::string(name) + "' (keys: " + key_names(nullptr) + ")";
    return nullptr;
}

bool all_digits(std::string_view v) {
    if (v.empty()) return false;
    for (char c : v)
        if (c < '0' || c > '9') return false;
    return true;
}

// The text to write for `value`, or false when the key does not take it. An
// empty value is always taken: the library reads it as a missing key.
bool value_to_write(const Key& k, std::string_view value, std::string& out) {
    for (char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    out = std::string(value);
    if (value.empty()) return true;
    std::size_t kept = static_cast<std::size_t>(k.size - 1);
    switch (k.accepts) {
        case Accepts::Route:
            return value == "1" || value == "2";
        case Accepts::Count:
        case Accepts::Number:
            return all_digits(value) && value.size() <= kept;
        case Accepts::YesNo:
            return value == "YES" || value == "NO";
        case Accepts::Date:
            return all_digits(value) && value.size() == 6;
        case Accepts::Text:
            return value.size() <= kept;
        case Accepts::Time: {
            long long t = 0;
            if (value == "now") {
                t = static_cast<long long>(std::time(nullptr));
            } else {
                if (!all_digits(value) || value.size() > 14) return false;
                t = std::strtoll(out.c_str(), nullptr, 10);
            }
            // The library's own form: left-justified, blank-padded to 14.
            char text[32];
            std::snprintf(text, sizeof text, "%-14lld", t);
            out = text;
            return true;
        }
    }
    return false;
}

struct Change {
    const Key* key;
    std::string value;
};

}  // namespace

void show_settings(std::FILE* out, const std::string& dir) {
    std::string path = settings_path(dir);
    std::error_code ec;
    bool exists = std::filesystem::exists(path, ec);
    std::fprintf(out, "settings file %s%s\n", path.c_str(),
                 exists ? "" : " (not there yet: every key reads as empty)");
    std::fprintf(out, "  %-8s  %-11s  %-14s  %s\n", "section", "key", "value", "meaning");
    for (const Key& k : kKeys) {
        // A line break never appears in a value, so it marks a missing key.
        // As the library reads it, into a buffer of 64 bytes.
        std::string text = tools::settings_value(path, k.section, k.name, "\n").substr(0, 63);
        const char* value = text.c_str();
        bool missing = text == "\n";
        std::fprintf(out, "  %-8s  %-11s  %-14s  %s\n", k.section, k.name, missing ? "(not set)" : value, k.meaning);
        if (missing) continue;
        std::size_t kept = static_cast<std::size_t>(k.size - 1);
        if (std::strlen(value) > kept)
            std::fprintf(out, "  %-8s  %-11s  the library reads only \"%.*s\"\n", "", "", static_cast<int>(kept),
                         value);
        if (k.accepts == Accepts::Time && all_digits(value)) {
            std::time_t t = static_cast<std::time_t>(std::strtoll(value, nullptr, 10));
            std::tm tm{};
            char when[32];
            if (gmtime_r(&t, &tm) && std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S UTC", &tm))
                std::fprintf(out, "  %-8s  %-11s  %s\n", "", "", when);
        }
    }
}

std::vector<std::string> route_warnings(const std::string& dir, std::time_t now) {
    std::string path = settings_path(dir);
    auto read = [&](const Key& key) {
        return tools::settings_value(path, key.section, key.name, "").substr(0, static_cast<std::size_t>(key.size - 1));
    };
    std::vector<std::string> warnings;
    std::string van_id = read(kVanId);
    long toggled = std::strtol(read(kToggleTime).c_str(), nullptr, 10);
    if (std::atoi(van_id.c_str()) == 2 && now - toggled < kBackupHoldSeconds) {
        warnings.push_back("VANID=2 in " + path + ": the backup route is in force for " +
                           std::to_string(kBackupHoldSeconds - (now - toggled)) +
                           " s more (TOGGLE_TIME + 600 s), so this card goes to the backup library, not to the "
                           "host; to send it to the host: zpos settings --set VANID=1");
        return warnings;
    }
    std::string count = read(kEotCnt);
    if (std::atoi(count.c_str()) > 0)
        warnings.push_back("EOT_CNT=" + count + " in " + path + ": host failures in a row counted; the third " +
                           "switches card approvals and cancellations to the backup route; to clear the count: zpos "
                           "settings --set EOT_CNT=0");
    return warnings;
}

bool set_settings(const std::string& dir, const std::vector<std::string>& assignments, std::string& error) {
    std::vector<Change> changes;
    for (const std::string& a : assignments) {
        std::size_t eq = a.find('=');
        if (eq == std::string::npos) {
            error = "KEY=VALUE or SECTION.KEY=VALUE expected, not '" + a + "'";
            return false;
        }
        const Key* k = find_key(std::string_view(a).substr(0, eq), error);
        if (!k) return false;
        Change c{k, {}};
        if (!value_to_write(*k, std::string_view(a).substr(eq + 1), c.value)) {
            error = std::string(k->name) + " expects " + k->expects + ", not '" + a.substr(eq + 1) + "'";
            return false;
        }
        changes.push_back(c);
    }
    std::vector<tools::SettingsEntry> entries;
    for (const Change& c : changes) entries.push_back({c.key->section, c.key->name, c.value});
    return tools::settings_write(settings_path(dir), entries, error);
}

}  // namespace zpos::cli
