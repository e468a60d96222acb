// The check counter, the program's own directory and its files, request
// records and loopback ports, for every part of winpos and for winunit.
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
    ++(ok ? g_passed : g_failed);
    std::printf("%s %s%s", ok ? "ok  " : "FAIL", name, !ok && fmt ? ": " : "");
    if (!ok && fmt) {
        va_list ap;
        va_start(ap, fmt);
        std::vprintf(fmt, ap);
        va_end(ap);
    }
    std::printf("\n");
    std::fflush(stdout);
}

const char* named(const char* name, const char* what) {
    static char label[160];
    std::snprintf(label, sizeof label, "%s: %s", name, what);
    return label;
}

bool find_own_directory() {
    DWORD n = GetModuleFileNameA(nullptr, g_dir, sizeof g_dir);
    char* slash = n > 0 && n < sizeof g_dir ? std::strrchr(g_dir, '\\') : nullptr;
    if (!slash) return false;
    *slash = '\0';
    std::snprintf(g_ini, sizeof g_ini, "%s\\ZposSign.ini", g_dir);
    return true;
}

bool write_file(const char* path, const char* bytes, long len) {
    if (len < 0) len = static_cast<long>(std::strlen(bytes));
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes, static_cast<DWORD>(len), &written, nullptr);
    CloseHandle(f);
    return ok && written == static_cast<DWORD>(len);
}

long read_file(const char* path, char* out, long size) {
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
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

void log_path(char* out, std::size_t size) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    std::snprintf(out, size, "%s\\Logs\\AppLog.%02d%02d%02d.txt", g_dir, st.wYear % 100, st.wMonth, st.wDay);
}

// A run that crosses midnight reads the new day's file.
bool load_log() {
    char path[MAX_PATH + 64];
    log_path(path, sizeof path);
    return read_file(path, g_log, sizeof g_log) > 0;
}

bool log_has(const char* text) { return std::strstr(g_log, text) != nullptr; }

// A whole line after its time prefix; the Windows build ends lines CR LF.
bool log_has_line(const char* line) {
    char wanted[512];
    std::snprintf(wanted, sizeof wanted, "] - %s\r\n", line);
    return log_has(wanted);
}

long log_size() {
    char path[MAX_PATH + 64];
    log_path(path, sizeof path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? static_cast<long>(data.nFileSizeLow) : 0;
}

bool write_bytes(const char* name, const char* bytes, DWORD len) {
    char path[MAX_PATH + 64];
    std::snprintf(path, sizeof path, "%s\\%s", g_dir, name);
    return write_file(path, bytes, static_cast<long>(len));
}

void load_log_since(long from, const char* name) {
    load_log();
    long size = static_cast<long>(std::strlen(g_log));
    if (from > size) from = size;
    std::memmove(g_log, g_log + from, static_cast<std::size_t>(size - from + 1));
    write_bytes(name, g_log, static_cast<DWORD>(size - from));
}

void put(char* rec, int offset, const char* text) { std::memcpy(rec + offset, text, std::strlen(text)); }

// Field for field the request zpos send builds, which the native run sends.
void pos_request(char* rec, const char* msg_type, const char* kind, const char* track, long amount) {
    std::memset(rec, ' ', kRequestSize);
    char text[16];
    std::snprintf(text, sizeof text, "%09ld", amount);
    const struct {
        int offset;
        const char* text;
    } fields[] = {{ZPOSAPP_REQ_REC_LEN_OFFSET, "0240"},        {ZPOSAPP_REQ_MSG_TYPE_OFFSET, msg_type},
                  {ZPOSAPP_REQ_TRAN_KIND_OFFSET, kind},        {ZPOSAPP_REQ_TERM_ID_OFFSET, "1200000001"},
                  {ZPOSAPP_REQ_ENTRY_MODE_OFFSET, "S"},        {ZPOSAPP_REQ_TRACK2_OFFSET, track},
                  {ZPOSAPP_REQ_INSTALL_MONTHS_OFFSET, "00"},   {ZPOSAPP_REQ_AMT_EXTRA1_OFFSET, "000000000"},
                  {ZPOSAPP_REQ_AMT_EXTRA2_OFFSET, "000000000"}, {ZPOSAPP_REQ_TRAN_AMT_OFFSET, text}};
    for (const auto& f : fields) put(rec, f.offset, f.text);
}

// The request of the checks without zpos-host: 10000, this terminal, echoes filled.
void card_request(char* rec, const char* msg_type, const char* kind) {
    pos_request(rec, msg_type, kind, "9410123456789012=2512101", 10000);
    put(rec, ZPOSAPP_REQ_POS_ECHO_OFFSET, "WINPOS-0001");
    put(rec, ZPOSAPP_REQ_KIND_ECHO_OFFSET, "01");
    put(rec, ZPOSAPP_REQ_TERM_ID_OFFSET, "1450010001");
}

bool bytes_are(const char* p, const char* expected) { return std::memcmp(p, expected, std::strlen(expected)) == 0; }

int closed_port() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    bool bound = s != INVALID_SOCKET && bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                 getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    if (s != INVALID_SOCKET) closesocket(s);
    return bound ? ntohs(a.sin_port) : 0;
}

}  // namespace winpos
