// winpos: calls the exports through stdcall pointers, as a POS does; the last
// line counts the checks. --host PORT: a zpos-host that declines cards
// starting 5410; --version: what the version resource must carry.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/windows/winpos.h"

using namespace winpos;

int main(int argc, char** argv) {
    int host_port = 0;
    const char* version = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--host") == 0 && i + 1 < argc) {
            host_port = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--version") == 0 && i + 1 < argc) {
            version = argv[++i];
        } else {
            std::printf("usage: winpos.exe [--host PORT] [--version X.Y.Z]\n"
                        "0 passed, 1 failed\n");
            return 2;
        }
    }
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0 || !find_own_directory()) {
        std::printf("winpos: cannot start\n0 passed, 1 failed\n");
        return 1;
    }
    std::printf("winpos in %s, code page %u\n", g_dir, GetACP());
    g_idle_port = closed_port();
    CreateThread(nullptr, 0, notice_watcher, nullptr, 0, nullptr);
    // The POS's main window, active on the calling thread.
    g_pos_window = CreateWindowExA(0, "STATIC", "winpos", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetActiveWindow(g_pos_window);
    check_load();
    if (version) check_version(version);
    if (g_lib) {
        check_notices();
        check_route_refresh();
        check_app_dir_from_environment();
        if (host_port > 0) {
            check_card_approval(host_port);
            check_signed_approval(host_port);
            check_decline(host_port);
        }
        check_card_no_host();
        LONG before = g_notice_count;
        FreeLibrary(g_lib);
        check(g_notice_count == before, "unload: no message box");
    }
    WSACleanup();
    std::printf("winpos: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 && g_passed > 0 ? 0 : 1;
}
