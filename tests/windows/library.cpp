// Loading ZPosApp.dll as a POS does, and its version resource. That each
// export removes its own arguments is read from its code (pe_check.py ret).
#include <cstdio>
#include <cstring>

#include "tests/windows/winpos.h"

namespace winpos {

HMODULE g_lib = nullptr;
SendFn g_send = nullptr;
SendFn g_okcashbag = nullptr;
AckFn g_ack = nullptr;

namespace {

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
    check(g_send && g_okcashbag && g_ack, "the exports found by their undecorated names");
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
        check(std::strcmp(shown, row.value) == 0, named("version", row.name), "got [%s]", shown);
    }
}

}  // namespace winpos
