// The registry layer on systems without a registry: one per-user text file,
// $ZPOS_REGISTRY_FILE (the tools' way to name a store of their own), else
// $XDG_CONFIG_HOME/zposapp/registry.dat, else ~/.config/zposapp/registry.dat;
// a test names its own through the seam table first. Format, one record per line ending in LF:
//   # comment                      (ignored)
//   K<TAB>key path                 a key, e.g. SOFTWARE\VAN_POS_SECURITY\1100
//   V<TAB>name<TAB>type<TAB>hex    a value of the key above it: type as the
//                                  registry numbers it (1 string, 3 binary),
//                                  bytes as lower-case hex, two digits each
// Key paths and names are printable ASCII (no tab), compared without regard to
// case. The whole file is at most 64 KiB and is read and replaced whole
// (platform/posix/small_file.h). Static buffers only: one caller at a time.
#include "platform/registry.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/names.h"
#include "platform/posix/small_file.h"
#include "platform/seams.h"

namespace zpos::platform {

namespace {

constexpr std::size_t kStoreLimit = 64 * 1024;
constexpr std::size_t kNameMax = 255;
constexpr int kHandles = 8;
constexpr char kHeader[] = "# zposapp registry store\n";

struct Handle {
    bool used = false;
    RegistryAccess access = RegistryAccess::read;
    char path[kNameMax + 1] = {};
};

// The store's state in this process. The open keys, the copy of the store an
// opening read and whether reads are held last from one registry call to the
// next (within one exported call: registry_hold_reads drops the copy at each
// end); `next` is scratch for one write. The platform cannot reach the module
// state above it, so it lives here, as one static instance that the exports'
// one call at a time keeps to one user.
struct RegistryState {
    Handle handles[kHandles];
    char store[kStoreLimit];  // the file as read
    // The handle whose opening read `store`, with the length read: that
    // handle's queries use this copy, so the values read through one open key
    // come from one version of the store (and cost no further read). Any
    // other use of the store reads it again.
    const Handle* store_owner = nullptr;
    long store_len = -1;
    bool hold_reads = false;  // registry_hold_reads
    char next[kStoreLimit];   // the file as it is about to be written
};
RegistryState g_registry;

bool valid_name(const char* name) {
    std::size_t n = 0;
    for (; name[n]; ++n) {
        unsigned char c = static_cast<unsigned char>(name[n]);
        if (c < 0x20 || c > 0x7E || n >= kNameMax) return false;
    }
    return true;
}

// Where the store lives; `make_dirs` creates the default folders.
bool store_path(char* out, std::size_t size, bool make_dirs) {
    const char* env = seams().registry_file ? seams().registry_file() : std::getenv("ZPOS_REGISTRY_FILE");
    if (env && *env) {
        int n = std::snprintf(out, size, "%s", env);
        return n > 0 && static_cast<std::size_t>(n) < size;
    }
    char base[512];
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    int n;
    if (xdg && *xdg) {
        n = std::snprintf(base, sizeof base, "%s", xdg);
    } else if (home && *home) {
        n = std::snprintf(base, sizeof base, "%s/.config", home);
    } else {
        return false;
    }
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof base) return false;
    if (make_dirs) mkdir(base, 0700);
    n = std::snprintf(out, size, "%s/zposapp", base);
    if (n <= 0 || static_cast<std::size_t>(n) >= size) return false;
    if (make_dirs) mkdir(out, 0700);
    n = std::snprintf(out, size, "%s/zposapp/registry.dat", base);
    return n > 0 && static_cast<std::size_t>(n) < size;
}

// Reads the store into g_registry.store. -1: no store (or one larger than any
// store this layer writes); otherwise its length.
long load_store() {
    RegistryState& r = g_registry;
    r.store_owner = nullptr;
    char path[600];
    long len = store_path(path, sizeof path, false) ? read_small_file(path, r.store, sizeof r.store) : -1;
    r.store_len = len < 0 ? -1 : len;
    return r.store_len;
}

// The copy in g_registry.store is no longer the file once it is written.
int write_store(const char* bytes, std::size_t len) {
    g_registry.store_owner = nullptr;
    g_registry.store_len = -1;
    char path[600];
    if (!store_path(path, sizeof path, true)) return kRegAccessDenied;
    return replace_small_file(path, bytes, len, 0600) ? 0 : kRegAccessDenied;
}

// One line of the store: [begin, end) without its LF; `next` is where the
// following line starts.
struct Line {
    std::size_t begin, end, next;
};

bool line_at(const char* buf, std::size_t len, std::size_t pos, Line& line) {
    if (pos >= len) return false;
    const void* lf = std::memchr(buf + pos, '\n', len - pos);
    line.begin = pos;
    line.end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - buf) : len;
    line.next = lf ? line.end + 1 : len;
    return true;
}

bool is_key_line(const char* buf, const Line& l) {
    return l.end - l.begin >= 2 && buf[l.begin] == 'K' && buf[l.begin + 1] == '\t';
}

// The lines of one key: [values_begin, values_end). False when it is absent.
bool find_key(const char* buf, std::size_t len, std::string_view path, std::size_t& values_begin,
              std::size_t& values_end) {
    Line l{};
    std::size_t pos = 0;
    bool found = false;
    while (line_at(buf, len, pos, l)) {
        pos = l.next;
        if (!is_key_line(buf, l)) continue;
        if (found) {
            values_end = l.begin;
            return true;
        }
        if (same_name(std::string_view(buf + l.begin + 2, l.end - l.begin - 2), path)) {
            found = true;
            values_begin = l.next;
        }
    }
    values_end = len;
    return found;
}

// Splits a value line into name, type and hex text.
bool parse_value(const char* buf, const Line& l, std::string_view& name, int& type,
                 std::string_view& hex) {
    std::string_view s(buf + l.begin, l.end - l.begin);
    if (s.size() < 2 || s[0] != 'V' || s[1] != '\t') return false;
    s.remove_prefix(2);
    std::size_t t1 = s.find('\t');
    if (t1 == std::string_view::npos) return false;
    name = s.substr(0, t1);
    s.remove_prefix(t1 + 1);
    std::size_t t2 = s.find('\t');
    if (t2 == std::string_view::npos || t2 == 0) return false;
    type = 0;
    for (char c : s.substr(0, t2)) {
        if (c < '0' || c > '9' || type > 1000000) return false;
        type = type * 10 + (c - '0');
    }
    hex = s.substr(t2 + 1);
    return hex.size() % 2 == 0;
}

bool find_value(const char* buf, std::size_t begin, std::size_t end, std::string_view name,
                Line& found, int& type, std::string_view& hex) {
    Line l{};
    std::size_t pos = begin;
    while (pos < end && line_at(buf, end, pos, l)) {
        pos = l.next;
        std::string_view n;
        if (parse_value(buf, l, n, type, hex) && same_name(n, name)) {
            found = l;
            return true;
        }
    }
    return false;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Appends to g_registry.next, refusing to pass the store limit.
struct NextWriter {
    std::size_t pos = 0;
    bool full = false;
    void put(const char* bytes, std::size_t n) {
        if (full || n > sizeof g_registry.next - pos) {
            full = true;
            return;
        }
        std::memcpy(g_registry.next + pos, bytes, n);
        pos += n;
    }
    void put(std::string_view s) { put(s.data(), s.size()); }
};

Handle* handle_of(RegistryKey key) {
    for (Handle& h : g_registry.handles)
        if (&h == key && h.used) return &h;
    return nullptr;
}

RegistryKey new_handle(const char* path, RegistryAccess access) {
    for (Handle& h : g_registry.handles) {
        if (h.used) continue;
        h.used = true;
        h.access = access;
        std::snprintf(h.path, sizeof h.path, "%s", path);
        return &h;
    }
    return nullptr;
}

// The lines of the handle's key in the store, read fresh unless `reuse` and
// this handle's opening read it; the store's length, or -1 with `result` set
// when the store or the key is not there.
long key_lines(const Handle* h, bool reuse, std::size_t& begin, std::size_t& end, int& result) {
    long len = reuse && g_registry.store_owner == h ? g_registry.store_len : load_store();
    result = kRegNotFound;
    if (len < 0 || !find_key(g_registry.store, static_cast<std::size_t>(len), h->path, begin, end)) return -1;
    result = 0;
    return len;
}

}  // namespace

RegistryKey registry_open(const char* path, RegistryAccess access) {
    if (!path || !valid_name(path)) return nullptr;
    long len = g_registry.hold_reads && g_registry.store_len >= 0 ? g_registry.store_len : load_store();
    if (len < 0) return nullptr;
    std::size_t b = 0, e = 0;
    if (!find_key(g_registry.store, static_cast<std::size_t>(len), path, b, e)) return nullptr;
    RegistryKey key = new_handle(path, access);
    g_registry.store_owner = static_cast<const Handle*>(key);
    return key;
}

RegistryKey registry_create(const char* path) {
    if (!path || !valid_name(path) || !*path) return nullptr;
    long len = load_store();
    std::size_t b = 0, e = 0;
    if (len < 0 || !find_key(g_registry.store, static_cast<std::size_t>(len), path, b, e)) {
        NextWriter w;
        if (len <= 0) {
            w.put(kHeader, sizeof kHeader - 1);
        } else {
            w.put(g_registry.store, static_cast<std::size_t>(len));
            if (g_registry.store[len - 1] != '\n') w.put("\n");
        }
        w.put("K\t");
        w.put(path);
        w.put("\n");
        if (w.full || write_store(g_registry.next, w.pos) != 0) return nullptr;
    }
    return new_handle(path, RegistryAccess::write);
}

int registry_query(RegistryKey key, const char* name, void* out, int size, int* count) {
    *count = 0;
    Handle* h = handle_of(key);
    if (!h || !name || size < 0) return kRegFailed;
    std::size_t b = 0, e = 0;
    int result = 0;
    if (key_lines(h, true, b, e, result) < 0) return result;
    Line l{};
    int type = 0;
    std::string_view hex;
    if (!find_value(g_registry.store, b, e, name, l, type, hex)) return kRegNotFound;
    std::size_t n = hex.size() / 2;
    if (n > static_cast<std::size_t>(size)) return kRegMoreData;
    for (std::size_t i = 0; i < n; ++i) {
        int hi = hex_digit(hex[2 * i]), lo = hex_digit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return kRegFailed;
    }
    unsigned char* dest = static_cast<unsigned char*>(out);
    for (std::size_t i = 0; i < n; ++i)
        dest[i] = static_cast<unsigned char>(hex_digit(hex[2 * i]) * 16 + hex_digit(hex[2 * i + 1]));
    *count = static_cast<int>(n);
    return 0;
}

int registry_set(RegistryKey key, const char* name, int type, const void* bytes, int count) {
    Handle* h = handle_of(key);
    if (!h || !name || !valid_name(name) || count < 0 || (count > 0 && !bytes) || type < 0)
        return kRegFailed;
    if (h->access != RegistryAccess::write) return kRegAccessDenied;
    std::size_t b = 0, e = 0;
    int result = 0;
    long len = key_lines(h, false, b, e, result);
    if (len < 0) return result;

    // The new store: everything before the value's place, the value line, the rest.
    Line old{};
    int old_type = 0;
    std::string_view old_hex;
    bool replace = find_value(g_registry.store, b, e, name, old, old_type, old_hex);
    std::size_t cut = replace ? old.begin : b;
    std::size_t resume = replace ? old.next : b;
    NextWriter w;
    w.put(g_registry.store, cut);
    if (cut > 0 && g_registry.store[cut - 1] != '\n') w.put("\n");
    char head[300];
    int n = std::snprintf(head, sizeof head, "V\t%s\t%d\t", name, type);
    w.put(head, static_cast<std::size_t>(n));
    static constexpr char kHex[] = "0123456789abcdef";
    const unsigned char* src = static_cast<const unsigned char*>(bytes);
    for (int i = 0; i < count && !w.full; ++i) {
        char pair[2] = {kHex[src[i] >> 4], kHex[src[i] & 15]};
        w.put(pair, 2);
    }
    w.put("\n");
    w.put(g_registry.store + resume, static_cast<std::size_t>(len) - resume);
    if (w.full) return kRegFailed;
    return write_store(g_registry.next, w.pos);
}

// Held or released, the next opening reads the store: what an earlier call
// read is not this call's.
void registry_hold_reads(bool hold) {
    g_registry.hold_reads = hold;
    g_registry.store_owner = nullptr;
    g_registry.store_len = -1;
}

void registry_close(RegistryKey key) {
    if (Handle* h = handle_of(key)) {
        h->used = false;
        if (g_registry.store_owner == h) g_registry.store_owner = nullptr;
    }
}

}  // namespace zpos::platform
