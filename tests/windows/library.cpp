// Loading ZPosApp.dll as a POS does, its version resource, and calls with the
// stack pointer measured around them.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tests/windows/winpos.h"

namespace winpos {

HMODULE g_lib = nullptr;
SendFn g_send = nullptr;
SendFn g_okcashbag = nullptr;
AckFn g_ack = nullptr;
SendFn g_download = nullptr;

namespace {

// The arguments pushed by hand, the stack pointer compared before the pushes
// and after the return: 0 when the callee removed them (stdcall). Globals, so
// that no operand is addressed through the moving stack pointer.

struct MeasuredCall {
    void* fn;
    std::uintptr_t args[4];
    int result;
    long moved;  // stack pointer after the call minus before the pushes
};
MeasuredCall g_call;

#if defined(__i386__)
// esi keeps the stack pointer across the call.
#define ZPOS_MEASURED_CALL                  \
    "call *%[fn]\n\t"                       \
    "movl %%eax, %[res]\n\t"                \
    "movl %%esp, %%ecx\n\t"                 \
    "subl %%esi, %%ecx\n\t"                 \
    "movl %%ecx, %[moved]\n\t"              \
    "movl %%esi, %%esp\n\t"

void measured_call4() {
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "pushl %[a3]\n\t"
        "pushl %[a2]\n\t"
        "pushl %[a1]\n\t"
        "pushl %[a0]\n\t"
        ZPOS_MEASURED_CALL
        : [res] "=m"(g_call.result), [moved] "=m"(g_call.moved)
        : [a0] "m"(g_call.args[0]), [a1] "m"(g_call.args[1]), [a2] "m"(g_call.args[2]),
          [a3] "m"(g_call.args[3]), [fn] "m"(g_call.fn)
        : "eax", "ecx", "edx", "esi", "memory", "cc");
}

void measured_call0() {
    asm volatile("movl %%esp, %%esi\n\t" ZPOS_MEASURED_CALL
                 : [res] "=m"(g_call.result), [moved] "=m"(g_call.moved)
                 : [fn] "m"(g_call.fn)
                 : "eax", "ecx", "edx", "esi", "memory", "cc");
}
#else
// 64-bit: one calling convention, the caller owns the stack.
void measured_call4() {
    auto fn = reinterpret_cast<SendFn>(g_call.fn);
    g_call.result = fn(reinterpret_cast<const char*>(g_call.args[0]), static_cast<int>(g_call.args[1]),
                       reinterpret_cast<const char*>(g_call.args[2]), reinterpret_cast<char*>(g_call.args[3]));
    g_call.moved = 0;
}

void measured_call0() {
    g_call.result = reinterpret_cast<AckFn>(g_call.fn)();
    g_call.moved = 0;
}
#endif

void set_args(void* fn, const void* a0, int a1, const void* a2, void* a3) {
    g_call.fn = fn;
    g_call.args[0] = reinterpret_cast<std::uintptr_t>(a0);
    g_call.args[1] = static_cast<std::uintptr_t>(a1);
    g_call.args[2] = reinterpret_cast<std::uintptr_t>(a2);
    g_call.args[3] = reinterpret_cast<std::uintptr_t>(a3);
    g_call.result = 0x7777;
    g_call.moved = 0x7777;
}

// GetProcAddress's FARPROC carried over to the entry point's own type.
template <class Fn>
Fn entry_point(const char* name) {
    FARPROC p = GetProcAddress(g_lib, name);
    Fn fn;
    static_assert(sizeof fn == sizeof p);
    std::memcpy(&fn, &p, sizeof fn);
    return fn;
}

}  // namespace

void check_load() {
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%s\\ZPosApp.dll", g_dir);
    g_lib = LoadLibraryA(path);
    check(g_lib != nullptr, "load ZPosApp.dll from the program directory", "error %lu",
          GetLastError());
    if (!g_lib) return;
    g_send = entry_point<SendFn>("Zelta_Send");
    g_okcashbag = entry_point<SendFn>("Zelta_OKCashbag");
    g_ack = entry_point<AckFn>("Zelta_Ack");
    g_download = entry_point<SendFn>("Zelta_download");
    check(g_send && g_okcashbag && g_ack && g_download, "four undecorated exports found");
    check(!GetProcAddress(g_lib, "Zelta_Send@16") && !GetProcAddress(g_lib, "_Zelta_Send@16") &&
              !GetProcAddress(g_lib, "Zelta_Ack@0"),
          "no decorated export names");
}

// The callee removes the arguments: 16 bytes for the three four-argument
// exports, none for Zelta_Ack. Each is refused before or at connecting.
void check_calling_convention() {
    DeleteFileA(g_ini);
    static char req[kRequestSize];
    static char resp[kResponseSize];
    static char answer[ZPOSAPP_DOWNLOAD_ANSWER_SIZE];
    const struct {
        const char* name;
        void* fn;
        const char* kind;  // nullptr: no arguments
        int result;
    } rows[] = {{"stdcall: Zelta_Send pops its 16 bytes", reinterpret_cast<void*>(g_send), "ZZ", -1},
                {"stdcall: Zelta_OKCashbag pops its 16 bytes, kind 10 refused", reinterpret_cast<void*>(g_okcashbag),
                 "10", -1},
                {"stdcall: Zelta_Ack pops nothing, no link: -5", reinterpret_cast<void*>(g_ack), nullptr, -5},
                {"stdcall: Zelta_download pops its 16 bytes, -5 on a closed port",
                 reinterpret_cast<void*>(g_download), "", -5}};
    for (const auto& row : rows) {
        if (!row.kind) {
            g_call.fn = row.fn;
            measured_call0();
        } else if (*row.kind) {
            card_request(req, "0200", row.kind);
            set_args(row.fn, "127.0.0.1", g_idle_port, req, resp);
            measured_call4();
        } else {
            set_args(row.fn, "127.0.0.1", closed_port(), "PARAMDOWN0001", answer);
            measured_call4();
        }
        check(g_call.result == row.result && g_call.moved == 0, row.name, "result %d, stack moved %ld",
              g_call.result, g_call.moved);
    }
    check(bytes_are(RESP(resp, RESP_CODE), "NOTX"), "OKCashbag: kind 10 refused with NOTX");
    load_log();
    check(log_has_line("ACK send err") && log_has_line("CONNECT ERR"), "log: ACK send err, CONNECT ERR");
}

// The version resource a POS team reads in the file's properties.
void check_version(const char* version) {
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%s\\ZPosApp.dll", g_dir);
    static char info[8192];
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &unused);
    bool found = size > 0 && size <= sizeof info && GetFileVersionInfoA(path, 0, size, info);
    check(found, "version resource in ZPosApp.dll", "%lu bytes", size);
    if (!found) return;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    char got[96] = "<none>";
    if (VerQueryValueA(info, "\\", reinterpret_cast<void**>(&fixed), &len) && len >= sizeof *fixed)
        std::snprintf(got, sizeof got, "%lu.%lu.%lu.%lu %lu.%lu.%lu.%lu type %lu",
                      fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                      fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF,
                      fixed->dwProductVersionMS >> 16, fixed->dwProductVersionMS & 0xFFFF,
                      fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF,
                      fixed->dwFileType);
    char wanted[96];
    std::snprintf(wanted, sizeof wanted, "%s.0 %s.0 type %ld", version, version, static_cast<long>(VFT_DLL));
    check(std::strcmp(got, wanted) == 0, "version: fixed file and product version, DLL type",
          "got [%s], expected [%s]", got, wanted);

    const char* description = sizeof(void*) == 4 ? "ZPosApp payment client library (32-bit)"
                                                  : "ZPosApp payment client library (64-bit)";
    const struct {
        const char* name;
        const char* value;
    } rows[] = {{"CompanyName", "ZPosApp"},     {"FileDescription", description},
                {"FileVersion", version},       {"ProductVersion", version},
                {"ProductName", "ZPosApp"},     {"OriginalFilename", "ZPosApp.dll"}};
    for (const auto& row : rows) {
        char query[96];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\041204b0\\%s", row.name);
        char* text = nullptr;
        const char* shown = VerQueryValueA(info, query, reinterpret_cast<void**>(&text), &len) && text
                                ? text
                                : "<none>";
        char label[96];
        std::snprintf(label, sizeof label, "version: %s %s", row.name, row.value);
        check(std::strcmp(shown, row.value) == 0, label, "got [%s]", shown);
    }
}

}  // namespace winpos
