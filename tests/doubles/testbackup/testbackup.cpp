// A stand-in for the backup-route library BACKUPDLL. cryptCard enciphers the
// track with ROT47 over '!'..'~' (blanks stay, length kept; a character outside
// blank..'~' gives 1); DataProcess_NVR sends the framed request (up to the byte
// after the first ETX) to a loopback backup server, "%04d" length and bytes
// both ways, the answer going into the reply from its second byte on; no
// answer gives 0.
// "BACKUPDLL.script" beside it: crypt_result=N (non-zero: no output),
// process_result=0 (0 without connecting), port=N, wait_ms=N (default 5000).
// "BACKUPDLL.record": "cryptCard <mode> <track>" and
// "DataProcess_NVR <addr> <port> <hex of request>", a line a call.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/socket.h"
#include "support/wire.h"
#include "tests/doubles/double_files.h"

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

Script read_script() {
    Script s;
    zpos::test::read_script("BACKUPDLL.script", [&s](const char* key, const char* text) {
        int value = std::atoi(text);
        if (!std::strcmp(key, "crypt_result")) s.crypt_result = value;
        else if (!std::strcmp(key, "process_result")) s.process_false = value == 0;
        else if (!std::strcmp(key, "port")) s.port = value;
        else if (!std::strcmp(key, "wait_ms")) s.wait_ms = value;
    });
    return s;
}

void record_line(const char* line, std::size_t n) { zpos::test::record_line("BACKUPDLL.record", line, n); }

// The framed request runs to the byte after the first ETX.
int request_length(const char* request) {
    const void* etx = std::memchr(request, zpos::wire::kETX, kRequestMax - 1);
    return etx ? static_cast<int>(static_cast<const char*>(etx) - request) + 2 : 0;
}

// Loopback only: this library is never to reach anything off the machine.
bool loopback(const char* addr) { return std::strncmp(addr, "127.", 4) == 0; }

using zpos::test::recv_all;
using zpos::test::send_all;

// The reply's length, or 0 when none came.
int exchange(const char* addr, int port, const char* request, int n, char* reply, int wait_ms) {
    std::uint32_t address = 0;
    if (!loopback(addr) || !net::socket_address(addr, false, address)) return 0;
    net::Socket s = net::socket_open();
    if (s == net::kNoSocket) return 0;
    int got = 0;
    char header[5] = {};
    std::snprintf(header, sizeof header, "%04d", n);
    if (net::socket_connect(s, address, port) == 0 && send_all(s, header, 4) &&
        send_all(s, request, static_cast<std::size_t>(n)) && recv_all(s, header, 4, wait_ms)) {
        int len = std::atoi(header);
        static char answer[10000];
        if (len > 0 && recv_all(s, answer, static_cast<std::size_t>(len), wait_ms)) {
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
