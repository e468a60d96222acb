// What the test doubles share: the script they answer from and the record
// they append to, both beside the library itself, hex texts and whole-buffer
// socket I/O.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/socket.h"
#include "tools/common/module_dir.h"

namespace zpos::test {

inline bool file_beside(const char* name, char* out, std::size_t size) {
    char dir[1024] = {};
    if (!own_module_dir(dir, sizeof dir)) return false;
    int n = std::snprintf(out, size, "%s%c%s", dir, platform::kPathSep, name);
    return n > 0 && static_cast<std::size_t>(n) < size;
}

// The bytes a text of hex digit pairs spells, into `out`: their count, or -1
// when the text is no such thing or does not fit.
inline int hex_bytes(const char* hex, char* out, std::size_t capacity) {
    std::size_t n = std::strlen(hex);
    if (n % 2 || n / 2 > capacity || std::strspn(hex, "0123456789abcdefABCDEF") != n) return -1;
    for (std::size_t i = 0; i < n; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], '\0'};
        out[i / 2] = static_cast<char>(std::strtol(pair, nullptr, 16));
    }
    return static_cast<int>(n / 2);
}

// on(key, value) for every "key=value" line of the script; '#' starts a comment.
template <class On>
void read_script(const char* name, On on) {
    char path[1100];
    std::FILE* f = file_beside(name, path, sizeof path) ? std::fopen(path, "rb") : nullptr;
    if (!f) return;
    static char line[4200];
    while (std::fgets(line, sizeof line, f)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        char* eq = std::strchr(line, '=');
        if (line[0] == '#' || !eq) continue;
        *eq = '\0';
        on(static_cast<const char*>(line), static_cast<const char*>(eq + 1));
    }
    std::fclose(f);
}

// Appends the line and a newline to the record.
inline void record_line(const char* name, const char* line, std::size_t n) {
    char path[1100];
    std::FILE* f = file_beside(name, path, sizeof path) ? std::fopen(path, "ab") : nullptr;
    if (!f) return;
    std::fwrite(line, 1, n, f);
    std::fputc('\n', f);
    std::fclose(f);
}

inline bool send_all(platform::Socket s, const char* bytes, std::size_t n) {
    for (long sent = 0; n > 0; bytes += sent, n -= static_cast<std::size_t>(sent))
        if ((sent = platform::socket_send(s, bytes, n)) <= 0) return false;
    return true;
}

// False when `wait_ms` passes without a byte, or the peer closes first.
inline bool recv_all(platform::Socket s, char* bytes, std::size_t n, int wait_ms) {
    for (long got = 0; n > 0; bytes += got, n -= static_cast<std::size_t>(got)) {
        bool readable = false;
        if (platform::socket_select_read(s, wait_ms, readable) <= 0 || !readable) return false;
        if ((got = platform::socket_recv(s, bytes, n)) <= 0) return false;
    }
    return true;
}

}  // namespace zpos::test
