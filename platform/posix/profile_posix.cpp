// Private-profile (INI) files on POSIX, with the semantics the Win32 calls give
// their callers: case-insensitive sections and keys, trimmed values, the
// default for anything missing, and writes that keep every other line. The
// file is read and replaced whole (platform/posix/small_file.h).
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

#include "platform/names.h"
#include "platform/platform.h"
#include "platform/posix/small_file.h"

namespace zpos::platform {

namespace {

// Settings files are a few hundred bytes; a file beyond this is read as far
// as it fits, as the Windows reader would, but it is not ours to rewrite, so
// writes refuse it rather than cut it. The buffers keep room beyond it for
// the keys a write adds.
constexpr std::size_t kMaxProfile = 64 * 1024;
constexpr std::size_t kEditRoom = 4096;

// Scratch for one read or write: nothing in it outlives the function that
// fills it, since every read and write takes the file afresh. It is one
// static instance rather than stack space because a POS thread's stack may be
// small for 136 KiB, and that is safe because the exports run one call at a
// time. The platform cannot reach the module state above it, so it lives here.
struct ProfileBuffers {
    char file[kMaxProfile + kEditRoom];  // the file as read, then as edited so far
    char edit[kMaxProfile + kEditRoom];  // the file with one more key set
};
ProfileBuffers g_profile;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// One line of the file: [begin, end) without its line break, next = start of
// the following line.
struct Line {
    std::size_t begin, end, next;
};

Line line_at(std::string_view file, std::size_t pos) {
    std::size_t nl = file.find('\n', pos);
    if (nl == std::string_view::npos) return {pos, file.size(), file.size()};
    return {pos, nl, nl + 1};
}

// Section header name, or nullopt-like empty data() for a non-header line.
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

// Where a key sits in the file: the key's line, or where a new key line of the
// section goes (after its last non-blank line), or nothing when the section is
// missing.
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
            if (in_section) return place;  // our section ended without the key
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

// The length of the whole lines at the start of `text`, so that a file read
// only in part never gives a value cut at the buffer's end.
long whole_lines(std::string_view text) {
    std::size_t last = text.rfind('\n');
    return last == std::string_view::npos ? 0 : static_cast<long>(last + 1);
}

// The value of `key` in the file as read, or `fallback`; a value written in
// quotes reads without them.
std::string_view value_in(std::string_view file, const char* section, const char* key, std::string_view fallback) {
    Place place = find(file, section, key);
    if (!place.key_found) return fallback;
    std::string_view value = place.value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

int copy_value(std::string_view value, char* out, int size) {
    if (size <= 0) return 0;
    std::size_t n = value.size() < static_cast<std::size_t>(size - 1) ? value.size() : size - 1;
    std::memmove(out, value.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

// The file as the readers see it; a file beyond the buffer is read as far as
// its whole lines fit, a missing one is empty.
std::string_view read_profile(const char* path) {
    char* file = g_profile.file;
    long len = read_small_file(path, file, kMaxProfile);
    if (len == kFileTooLarge) len = whole_lines(std::string_view(file, kMaxProfile));
    return std::string_view(file, len > 0 ? static_cast<std::size_t>(len) : 0);
}

// `file` with one key set as profile_write sets it, into `out` (`n` bytes);
// `changed` false when the line already read exactly so. False when the
// entry or the new file does not fit.
bool set_key(std::string_view file, const ProfileEntry& e, char* out, std::size_t capacity, std::size_t& n,
             bool& changed) {
    const char* eol = file.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    Place place = find(file, e.section, e.key);
    char entry[1100];
    int entry_len = std::snprintf(entry, sizeof entry, "%s=%s%s", e.key, e.value, eol);
    if (entry_len < 0 || static_cast<std::size_t>(entry_len) >= sizeof entry) return false;
    // A line that already reads exactly so is left alone: every EOT rewrites
    // VANID and EOT_CNT, nearly always with the values they hold.
    changed = !place.key_found ||
              file.substr(place.key.begin, place.key.next - place.key.begin) != std::string_view(entry, entry_len);
    if (!changed) return true;

    std::size_t head, tail;  // bytes of the old file kept before and after the entry
    char header[300] = {};
    int header_len = 0;
    bool break_before = false;
    if (place.key_found) {
        head = place.key.begin;
        tail = place.key.next;
    } else if (place.section_found) {
        head = tail = place.insert_at;
        break_before = head > 0 && file[head - 1] != '\n';
    } else {
        head = tail = file.size();
        break_before = head > 0 && file[head - 1] != '\n';
        header_len = std::snprintf(header, sizeof header, "[%s]%s", e.section, eol);
        if (header_len < 0 || static_cast<std::size_t>(header_len) >= sizeof header) return false;
    }
    n = 0;
    auto append = [&](const char* bytes, std::size_t count) {
        std::memcpy(out + n, bytes, count);
        n += count;
    };
    if (head + std::strlen(eol) + header_len + entry_len + (file.size() - tail) > capacity) return false;
    append(file.data(), head);
    if (break_before) append(eol, std::strlen(eol));
    append(header, static_cast<std::size_t>(header_len));
    append(entry, static_cast<std::size_t>(entry_len));
    append(file.data() + tail, file.size() - tail);
    return true;
}

}  // namespace

int profile_read(const char* section, const char* key, const char* fallback, char* out, int size,
                 const char* path) {
    if (size <= 0) return 0;
    return copy_value(value_in(read_profile(path), section, key, fallback ? fallback : ""), out, size);
}

void profile_read_keys(std::span<const ProfileKey> keys, const char* path) {
    std::string_view file = read_profile(path);
    for (const ProfileKey& k : keys) copy_value(value_in(file, k.section, k.key, ""), k.out, k.size);
}

bool profile_write(const char* section, const char* key, const char* value, const char* path) {
    const ProfileEntry entry{section, key, value};
    return profile_write_keys(std::span(&entry, 1), path);
}

// The entries are set one after the other in memory, each on the file the
// one before left, so the file written is the one single writes would leave.
bool profile_write_keys(std::span<const ProfileEntry> entries, const char* path) {
    ProfileBuffers& b = g_profile;
    long len = read_small_file(path, b.file, kMaxProfile);
    if (len == kFileTooLarge) return false;
    std::size_t size = len > 0 ? static_cast<std::size_t>(len) : 0;
    bool any = false;
    for (const ProfileEntry& e : entries) {
        std::size_t n = 0;
        bool changed = false;
        if (!set_key(std::string_view(b.file, size), e, b.edit, sizeof b.edit, n, changed)) return false;
        if (!changed) continue;
        if (n > sizeof b.file) return false;
        std::memcpy(b.file, b.edit, n);
        size = n;
        any = true;
    }
    return !any || replace_small_file(path, b.file, size, 0666);
}

}  // namespace zpos::platform
