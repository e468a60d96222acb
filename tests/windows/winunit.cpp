// winunit: the library's Windows side that no POS can reach through the
// exports, its code linked in: a clock past 2038, sockets' inheritance, the
// socket layer's stop.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "entry/call.h"
#include "platform/platform.h"
#include "platform/seams.h"
#include "platform/socket.h"
#include "support/log.h"
#include "support/route.h"
#include "support/settings.h"
#include "tests/windows/winpos.h"

using namespace winpos;

namespace {

// 2040-01-01 12:00 UTC, beyond 32 bits: midday keeps the local date 400101.
constexpr zpos::platform::Time kAfter2038 = 2209032000;
zpos::platform::Time g_clock = kAfter2038;
zpos::platform::Time fixed_clock() { return g_clock; }
char g_exe[MAX_PATH + 48];

// The route time and the log, in an application directory of their own.
void check_time_after_2038(const char* dir) {
    char app[MAX_PATH + 32], exe[MAX_PATH + 48], path[MAX_PATH + 64];
    static char text[4096];
    std::snprintf(app, sizeof app, "%s\\winunit-app", dir);
    CreateDirectoryA(app, nullptr);
    std::snprintf(exe, sizeof exe, "%s\\pos.exe", app);
    zpos::platform::seams().executable_path = [](char* out, std::size_t size) {
        std::snprintf(out, size, "%s", g_exe);
    };
    std::snprintf(g_exe, sizeof g_exe, "%s", exe);
    zpos::prepare_call();
    DeleteFileA(zpos::g_module.call.settings_path);
    zpos::platform::seams().clock = fixed_clock;

    zpos::switch_to_backup(zpos::g_module.call);
    read_file(zpos::g_module.call.settings_path, text, sizeof text);
    check(std::strstr(text, "TOGGLE_TIME=2209032000    \r\n") != nullptr,
          "after 2038: TOGGLE_TIME written whole, padded to 14", "%s", text);
    g_clock = kAfter2038 + 599;
    zpos::route_mode_refresh(zpos::g_module);
    check(zpos::g_module.route == zpos::RouteMode::backup, "after 2038: backup route held 599 seconds");
    g_clock = kAfter2038 + 600;
    zpos::route_mode_refresh(zpos::g_module);
    check(zpos::g_module.route == zpos::RouteMode::primary, "after 2038: primary route again at 600 seconds");

    std::snprintf(path, sizeof path, "%s\\Logs\\AppLog.400101.txt", app);
    DeleteFileA(path);
    zpos::WriteLogText("after 2038");
    bool have = read_file(path, text, sizeof text) >= 0;
    check(have && std::strlen(text) > 13 && std::strcmp(text + 13, "after 2038\r\n") == 0,
          "after 2038: the log line goes to AppLog.400101.txt and ends CR LF", "%s", text);
    zpos::platform::reset_seams();
}

// No socket handle of the library's is inherited by a child process.
void check_sockets_not_inherited() {
    zpos::platform::Socket s = zpos::platform::socket_open();
    DWORD flags = HANDLE_FLAG_INHERIT;
    bool got = s != zpos::platform::kNoSocket &&
               GetHandleInformation(reinterpret_cast<HANDLE>(s), &flags);
    check(got && (flags & HANDLE_FLAG_INHERIT) == 0, "socket: the handle is not inheritable");
    zpos::platform::socket_close(s);
}

// A socket layer the library did not start is not stopped by it.
void check_socket_layer_stop() {
    zpos::platform::socket_layer_stop();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    check(s != INVALID_SOCKET, "socket layer: a stop without a start leaves the program's Winsock", "error %d",
          WSAGetLastError());
    if (s != INVALID_SOCKET) closesocket(s);
}

}  // namespace

int main() {
    WSADATA wsa;
    if (!find_own_directory() || WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        std::printf("winunit: cannot start\nwinunit: 0 passed, 1 failed\n");
        return 1;
    }
    check_time_after_2038(g_dir);
    check_sockets_not_inherited();
    check_socket_layer_stop();
    WSACleanup();
    std::printf("winunit: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
