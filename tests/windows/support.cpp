// What every part of winpos uses: the check counter, the program's own
// directory with its settings and log files, the request records the checks
// send, and a closed loopback port.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tests/windows/winpos.h"

namespace winpos {

int g_passed = 0;
int g_failed = 0;
char g_dir[MAX_PATH];
char g_ini[MAX_PATH + 32];
char g_log[1 << 18];
int g_idle_port = 0;

void check(bool ok, const char* name, const char* fmt, ...) {
    if (ok) {
        ++g_passed;
        std::printf("ok   %s\n", name);
    } else {
        ++g_failed;
        std::printf("FAIL %s", name);
        if (fmt) {
            std::printf(": ");
            va_list ap;
            va_start(ap, fmt);
            std::vprintf(fmt, ap);
            va_end(ap);
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}

// ---- The application directory and its files ----

bool find_own_directory() {
    DWORD n = GetModuleFileNameA(nullptr, g_dir, sizeof g_dir);
    if (n == 0 || n >= sizeof g_dir) return false;
    char* slash = std::strrchr(g_dir, '\\');
    if (!slash) return false;
    *slash = '\0';
    std::snprintf(g_ini, sizeof g_ini, "%s\\ZposSign.ini", g_dir);
    return true;
}

// Writes `len` bytes to `path`, replacing what was there.
bool write_file(const char* path, const char* bytes, DWORD len) {
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes, len, &written, nullptr);
    CloseHandle(f);
    return ok && written == len;
}

bool write_file(const char* path, const char* text) {
    return write_file(path, text, static_cast<DWORD>(std::strlen(text)));
}

// Reads the whole file into `out` (NUL-terminated); the count read, -1 when missing.
long read_file(const char* path, char* out, long size) {
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return -1;
    DWORD got = 0;
    BOOL ok = ReadFile(f, out, static_cast<DWORD>(size - 1), &got, nullptr);
    CloseHandle(f);
    if (!ok) return -1;
    out[got] = '\0';
    return static_cast<long>(got);
}

void ini_value(const char* key, char* out, int size) {
    GetPrivateProfileStringA("VANCFG", key, "<none>", out, static_cast<DWORD>(size), g_ini);
}

// Name of today's log file: <dir>\Logs\AppLog.YYMMDD.txt in local time.
void log_path(char* out, std::size_t size) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    std::snprintf(out, size, "%s\\Logs\\AppLog.%02d%02d%02d.txt", g_dir, st.wYear % 100, st.wMonth,
                  st.wDay);
}



// Today's log as it stands now; a run that crosses midnight reads the new file.
bool load_log() {
    char path[MAX_PATH + 64];
    log_path(path, sizeof path);
    return read_file(path, g_log, sizeof g_log) > 0;
}

bool log_has(const char* text) { return std::strstr(g_log, text) != nullptr; }

// One whole log line after its time prefix, byte for byte; the Windows build's
// lines end CR LF, as a text-mode file writes them.
bool log_has_line(const char* line) {
    char wanted[512];
    std::snprintf(wanted, sizeof wanted, "] - %s\r\n", line);
    return log_has(wanted);
}

// Size of today's log now, so that one transaction's lines can be cut out.
long log_size() {
    char path[MAX_PATH + 64];
    log_path(path, sizeof path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return static_cast<long>(data.nFileSizeLow);
}

bool write_bytes(const char* name, const char* bytes, DWORD len) {
    char path[MAX_PATH + 64];
    std::snprintf(path, sizeof path, "%s\\%s", g_dir, name);
    return write_file(path, bytes, len);
}

// Loads the log and keeps only what was written since `from`: the checks of
// one transaction then see its own lines, and <name>.log holds them.
void load_log_since(long from, const char* name) {
    load_log();
    long size = static_cast<long>(std::strlen(g_log));
    if (from > size) from = size;
    std::memmove(g_log, g_log + from, static_cast<std::size_t>(size - from + 1));
    write_bytes(name, g_log, static_cast<DWORD>(size - from));
}

// ---- Records ----

void put(char* rec, int offset, const char* text) {
    std::memcpy(rec + offset, text, std::strlen(text));
}

// The card request the command-line POS (zpos send) builds, field for field:
// the script sends the same one through the native library and compares.
void pos_request(char* rec, const char* msg_type, const char* kind, const char* track,
                 long amount) {
    std::memset(rec, ' ', kRequestSize);
    put(rec, ZPOSAPP_REQ_REC_LEN_OFFSET, "0240");
    put(rec, ZPOSAPP_REQ_MSG_TYPE_OFFSET, msg_type);
    put(rec, ZPOSAPP_REQ_TRAN_KIND_OFFSET, kind);
    put(rec, ZPOSAPP_REQ_TERM_ID_OFFSET, "1200000001");
    put(rec, ZPOSAPP_REQ_ENTRY_MODE_OFFSET, "S");
    put(rec, ZPOSAPP_REQ_TRACK2_OFFSET, track);
    put(rec, ZPOSAPP_REQ_INSTALL_MONTHS_OFFSET, "00");
    put(rec, ZPOSAPP_REQ_AMT_EXTRA1_OFFSET, "000000000");
    put(rec, ZPOSAPP_REQ_AMT_EXTRA2_OFFSET, "000000000");
    char text[16];
    std::snprintf(text, sizeof text, "%09ld", amount);
    put(rec, ZPOSAPP_REQ_TRAN_AMT_OFFSET, text);
}

// The request of the checks without zpos-host: the POS's, for 10000 with the
// track image 9410123456789012=2512101, from this program's own terminal and
// with its echo fields filled.
void card_request(char* rec, const char* msg_type, const char* kind) {
    pos_request(rec, msg_type, kind, "9410123456789012=2512101", 10000);
    put(rec, ZPOSAPP_REQ_POS_ECHO_OFFSET, "WINPOS-0001");
    put(rec, ZPOSAPP_REQ_KIND_ECHO_OFFSET, "01");
    put(rec, ZPOSAPP_REQ_TERM_ID_OFFSET, "1450010001");
}

bool bytes_are(const char* p, const char* expected) {
    return std::memcmp(p, expected, std::strlen(expected)) == 0;
}

bool all_bytes(const char* p, int count, char value) {
    for (int i = 0; i < count; ++i)
        if (p[i] != value) return false;
    return true;
}

// A TCP socket bound to a free loopback port, that port in `port`;
// INVALID_SOCKET and port 0 when none could be bound.
SOCKET loopback_socket(int& port) {
    port = 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(a.sin_port);
    return s;
}

// A loopback port with nothing listening: bound, read back and released.
int closed_port() {
    int port = 0;
    SOCKET s = loopback_socket(port);
    if (s != INVALID_SOCKET) closesocket(s);
    return port;
}

}  // namespace winpos
