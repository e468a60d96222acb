// A stand-in for the backup-route library BACKUPDLL, for tests and
// demonstrations: cryptCard enciphers the track with ROT47 and DataProcess_NVR
// carries the framed request to a backup server on loopback over TCP.
//
// Encipherment: every character from '!' to '~' moves 47 places round that
// range of 94 (so applying it twice gives the track back); a blank stays. The
// text keeps its length (at most 37 characters), so it is printable and fits
// the 40 bytes. Digits 0-9 become _`abcdefgh and '=' becomes 'l'. A track with
// a character outside blank..'~' gives result 1 and an empty output.
//
// Link to the backup server, one connection a call: "%04d" length and the
// framed request (STX .. ETX and the check byte, the length found from the
// first ETX); the answer comes the same way, "%04d" length and its bytes,
// which go into the reply buffer from its second byte on (the first is STX).
// No answer, a short one or an empty one gives result 0.
//
// Script "BACKUPDLL.script" beside the library, one "key=value" a line ('#'
// starts a comment):
//   crypt_result=N    cryptCard's result (default 0); non-zero leaves the output empty
//   process_result=0  DataProcess_NVR gives 0 at once, without connecting
//   port=N            the backup server's port instead of the one handed over
//   wait_ms=N         how long to wait for the server's answer (default 5000)
// Record "BACKUPDLL.record" beside the library, one line a call:
//   "cryptCard <mode> <track>" and "DataProcess_NVR <addr> <port> <hex of request>".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/socket.h"
#include "support/wire.h"

#include "tools/common/module_dir.h"

namespace {

namespace net = zpos::platform;

constexpr int kReplySize = 1024;
constexpr int kTrackMax = 37;
constexpr int kRequestMax = 3000;  // the module's backup request buffer

struct Script {
    int crypt_result = 0;
    bool process_false = false;
    int port = 0;
    int wait_ms = 5000;
};

bool file_beside(const char* name, char* out, std::size_t size) {
    char dir[1024] = {};
    if (!own_module_dir(dir, sizeof dir)) return false;
    int n = std::snprintf(out, size, "%s%c%s", dir, net::kPathSep, name);
    return n > 0 && static_cast<std::size_t>(n) < size;
}

Script read_script() {
    Script s;
    char path[1100];
    if (!file_beside("BACKUPDLL.script", path, sizeof path)) return s;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return s;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (line[0] == '#') continue;
        char* eq = std::strchr(line, '=');
        if (!eq) continue;
        *eq = '\0';
        int value = std::atoi(eq + 1);
        if (!std::strcmp(line, "crypt_result")) s.crypt_result = value;
        else if (!std::strcmp(line, "process_result")) s.process_false = value == 0;
        else if (!std::strcmp(line, "port")) s.port = value;
        else if (!std::strcmp(line, "wait_ms")) s.wait_ms = value;
    }
    std::fclose(f);
    return s;
}

void record_line(const char* line, std::size_t n) {
    char path[1100];
    if (!file_beside("BACKUPDLL.record", path, sizeof path)) return;
    std::FILE* f = std::fopen(path, "ab");
    if (!f) return;
    std::fwrite(line, 1, n, f);
    std::fputc('\n', f);
    std::fclose(f);
}

// The framed request runs to the byte after the first ETX.
int request_length(const char* request) {
    const void* etx = std::memchr(request, zpos::wire::kETX, kRequestMax - 1);
    return etx ? static_cast<int>(static_cast<const char*>(etx) - request) + 2 : 0;
}

// Loopback only: this library is never to reach anything off the machine.
bool loopback(const char* addr) { return std::strncmp(addr, "127.", 4) == 0; }

bool send_all(net::Socket s, const char* bytes, int n) {
    while (n > 0) {
        long w = net::socket_send(s, bytes, static_cast<std::size_t>(n));
        if (w <= 0) return false;
        bytes += w;
        n -= static_cast<int>(w);
    }
    return true;
}

bool recv_all(net::Socket s, char* bytes, int n, int wait_ms) {
    while (n > 0) {
        bool readable = false;
        if (net::socket_select_read(s, wait_ms, readable) <= 0 || !readable) return false;
        long r = net::socket_recv(s, bytes, static_cast<std::size_t>(n));
        if (r <= 0) return false;
        bytes += r;
        n -= static_cast<int>(r);
    }
    return true;
}

// The reply's length, or 0 when none came.
int exchange(const char* addr, int port, const char* request, int n, char* reply, int wait_ms) {
    std::uint32_t address = 0;
    if (!loopback(addr) || !net::socket_address(addr, false, address)) return 0;
    net::Socket s = net::socket_open();
    if (s == net::kNoSocket) return 0;
    int got = 0;
    char header[5] = {};
    std::snprintf(header, sizeof header, "%04d", n);
    if (net::socket_connect(s, address, port) == 0 && send_all(s, header, 4) && send_all(s, request, n) &&
        recv_all(s, header, 4, wait_ms)) {
        int len = std::atoi(header);
        static char answer[10000];
        if (len > 0 && recv_all(s, answer, len, wait_ms)) {
            got = len < kReplySize - 1 ? len : kReplySize - 1;
            reply[0] = 0x02;
            std::memcpy(reply + 1, answer, static_cast<std::size_t>(got));
        }
    }
    net::socket_close(s);
    return got;
}

}  // namespace

extern "C" TESTBACKUP_EXPORT int ZPOS_EXTERNAL_CALL cryptCard(int mode, const char* in, char* out) {
    char track[kTrackMax + 1] = {};
    std::snprintf(track, sizeof track, "%s", in);
    char line[80];
    int n = std::snprintf(line, sizeof line, "cryptCard %d %s", mode, track);
    record_line(line, static_cast<std::size_t>(n));

    Script s = read_script();
    if (s.crypt_result != 0) return s.crypt_result;
    char text[kTrackMax + 1] = {};
    for (int i = 0; track[i]; ++i) {
        unsigned char c = static_cast<unsigned char>(track[i]);
        if (c < ' ' || c > '~') return 1;
        text[i] = c == ' ' ? ' ' : static_cast<char>('!' + (c - '!' + 47) % 94);
    }
    std::memcpy(out, text, sizeof text);
    return 0;
}

extern "C" TESTBACKUP_EXPORT char ZPOS_EXTERNAL_CALL DataProcess_NVR(const char* addr, int port,
                                                                   const char* request, char* reply) {
    int n = request_length(request);
    static char line[64 + 2 * kRequestMax];
    int pos = std::snprintf(line, 64, "DataProcess_NVR %.15s %d ", addr, port);
    for (int i = 0; i < n; ++i)
        pos += std::snprintf(line + pos, 3, "%02x", static_cast<unsigned char>(request[i]));
    record_line(line, static_cast<std::size_t>(pos));

    Script s = read_script();
    if (s.process_false || n == 0) return 0;
    return exchange(addr, s.port ? s.port : port, request, n, reply, s.wait_ms) > 0 ? 1 : 0;
}
