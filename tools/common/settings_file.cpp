// The reading and the edit of the settings file, the same on every system;
// the lock and the replacement are the system's (system.h).
#include "tools/common/settings_file.h"

#include "tools/common/system.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <string_view>

namespace zpos::tools {

namespace {

// Settings files are a few hundred bytes; a larger one is not the library's
// to rewrite, and its writes refuse it too.
constexpr std::size_t kMaxFile = 64 * 1024;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// One line: [begin, end) without its line break; next: the following line.
struct Line {
    std::size_t begin, end, next;
};

Line line_at(std::string_view file, std::size_t pos) {
    std::size_t nl = file.find('\n', pos);
    if (nl == std::string_view::npos) return {pos, file.size(), file.size()};
    return {pos, nl, nl + 1};
}

bool section_name(std::string_view text, std::string_view& name) {
    text = trim(text);
    if (text.empty() || text.front() != '[') return false;
    std::size_t close_at = text.find(']');
    name = trim(text.substr(1, close_at == std::string_view::npos ? text.size() - 1 : close_at - 1));
    return true;
}

bool key_line(std::string_view text, std::string_view& key, std::string_view& value) {
    std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(text.substr(0, eq));
    value = trim(text.substr(eq + 1));
    return true;
}

// Where a key sits: its line, or where a new line of its section goes (after
// the section's last non-blank line).
struct Place {
    bool section_found = false;
    bool key_found = false;
    Line key{};
    std::size_t insert_at = 0;
    std::string_view value;
};

Place find(std::string_view file, std::string_view section, std::string_view key) {
    Place place;
    bool in_section = false;
    for (std::size_t pos = 0; pos < file.size();) {
        Line line = line_at(file, pos);
        std::string_view text = file.substr(line.begin, line.end - line.begin);
        std::string_view name, k, v;
        if (section_name(text, name)) {
            if (in_section) return place;
            in_section = same_name(name, section);
            if (in_section) {
                place.section_found = true;
                place.insert_at = line.next;
            }
        } else if (in_section) {
            if (key_line(text, k, v) && same_name(k, key)) {
                place.key_found = true;
                place.key = line;
                place.value = v;
                return place;
            }
            if (!trim(text).empty()) place.insert_at = line.next;
        }
        pos = line.next;
    }
    return place;
}

bool read_file(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    out.clear();
    if (!in) return true;  // a missing file reads as empty
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return out.size() <= kMaxFile;
}

// Holds the lock file for one edit; when it cannot be had in time the edit
// goes ahead unlocked, as the library's does.
class EditLock {
public:
    explicit EditLock(const std::string& settings_path) {
        lock_ = os::lock_open(settings_path + kSettingsLockSuffix);
        if (lock_ == os::kNoLock) return;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettingsLockWaitMs);
        while (!os::lock_try(lock_)) {
            if (std::chrono::steady_clock::now() >= end) {
                os::lock_close(lock_);
                lock_ = os::kNoLock;
                return;
            }
            os::sleep_ms(1);
        }
    }
    ~EditLock() {
        if (lock_ != os::kNoLock) os::lock_close(lock_);
    }
    EditLock(const EditLock&) = delete;
    EditLock& operator=(const EditLock&) = delete;

private:
    os::Lock lock_;
};

}  // namespace

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

std::string settings_value(const std::string& path, const char* section, const char* key,
                           const std::string& fallback) {
    std::string file;
    read_file(path, file);
    Place place = find(file, section, key);
    if (!place.key_found) return fallback;
    std::string_view value = place.value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string settings_with(const std::string& file, const SettingsEntry& e) {
    const std::string eol = file.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string line = std::string(e.key) + "=" + e.value + eol;
    Place place = find(file, e.section, e.key);
    if (place.key_found) {
        if (std::string_view(file).substr(place.key.begin, place.key.next - place.key.begin) == line) return file;
        return file.substr(0, place.key.begin) + line + file.substr(place.key.next);
    }
    std::size_t at = place.section_found ? place.insert_at : file.size();
    std::string added = at > 0 && file[at - 1] != '\n' ? eol : "";
    if (!place.section_found) added += std::string("[") + e.section + "]" + eol;
    return file.substr(0, at) + added + line + file.substr(at);
}

bool settings_write(const std::string& path, std::span<const SettingsEntry> entries, std::string& error) {
    EditLock lock(path);
    std::string before;
    if (!read_file(path, before)) {
        error = path + " is larger than a settings file";
        return false;
    }
    std::string after = before;
    for (const SettingsEntry& e : entries) after = settings_with(after, e);
    if (after == before) return true;
    if (!os::replace_file(path, after)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace zpos::tools
