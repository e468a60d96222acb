// The calls the library answers without zpos-host.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "tests/windows/winpos.h"

namespace winpos {

// A recent switch to the backup route stays: the profile functions leave the
// file byte for byte, and Zelta_Ack answers 1 without the network.
void check_route_refresh() {
    char req[kRequestSize];
    char resp[kResponseSize];
    card_request(req, "0200", "ZZ");
    char ini[160];
    long recent = static_cast<long>(std::time(nullptr)) - 30;
    std::snprintf(ini, sizeof ini, "[VANCFG]\r\nVANID=2\r\nTOGGLE_TIME=%-14ld\r\nEOT_CNT=3\r\n", recent);
    write_file(g_ini, ini);
    int rc = g_send("127.0.0.1", g_idle_port, req, resp);
    check(rc == -1, "recent switch: refusal still -1", "got %d", rc);
    static char after[512];
    read_file(g_ini, after, sizeof after);
    check(std::strcmp(after, ini) == 0, "recent switch: settings file unchanged", "now [%s]", after);
    rc = g_ack();
    check(rc == 1, "recent switch: Zelta_Ack on the backup route returns 1", "got %d", rc);
    read_file(g_ini, after, sizeof after);
    check(std::strcmp(after, ini) == 0, "recent switch: Zelta_Ack leaves the file alone");
    DeleteFileA(g_ini);
}

// ZPOS_APP_DIR set with SetEnvironmentVariableA, as a .NET or Python host
// does (getenv never sees it), with a trailing backslash; then cleared.
void check_app_dir_from_environment() {
    char dir[MAX_PATH + 16], own_log[MAX_PATH + 64], log[2 * MAX_PATH + 64];
    std::snprintf(dir, sizeof dir, "%s\\appdir\\", g_dir);
    CreateDirectoryA(dir, nullptr);
    char req[kRequestSize];
    char resp[kResponseSize];
    card_request(req, "0200", "ZZ");
    long before = log_size();
    SetEnvironmentVariableA("ZPOS_APP_DIR", dir);
    g_send("127.0.0.1", g_idle_port, req, resp);
    SetEnvironmentVariableA("ZPOS_APP_DIR", nullptr);
    log_path(own_log, sizeof own_log);
    std::snprintf(log, sizeof log, "%sLogs\\%s", dir, std::strrchr(own_log, '\\') + 1);
    check(GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES && log_size() == before,
          "ZPOS_APP_DIR: the log goes to that directory, none beside the program", "no %s", log);
    g_send("127.0.0.1", g_idle_port, req, resp);
    check(log_size() > before, "ZPOS_APP_DIR cleared: the log is beside the program again");
}

// A card approval to a host that refuses the connection: -6 with "COMM" and
// the settings file switched to the backup route.
void check_card_no_host() {
    DeleteFileA(g_ini);
    char req[kRequestSize];
    char resp[kResponseSize];
    char v[32];
    int port = closed_port();
    card_request(req, "0200", "10");
    long before = static_cast<long>(std::time(nullptr));
    int rc = g_send("127.0.0.1", port, req, resp);
    long after = static_cast<long>(std::time(nullptr));
    check(rc == -6, "card, no host: result -6", "got %d", rc);
    check(bytes_are(RESP(resp, RESP_CODE), "COMM"), "card, no host: resp_code COMM", "got [%.4s]",
          RESP(resp, RESP_CODE));
    ini_value("VANID", v, sizeof v);
    check(std::strcmp(v, "2") == 0, "card, no host: VANID 2", "got [%s]", v);
    ini_value("TOGGLE_TIME", v, sizeof v);
    long t = std::atol(v);
    check(t >= before && t <= after, "card, no host: TOGGLE_TIME is now", "got [%s]", v);

    load_log();
    char line[96];
    std::snprintf(line, sizeof line, "] - socket connect err IP[127.0.0.1],Port[%d][", port);
    check(log_has(line) && log_has_line("resp_code[COMM]") && log_has_line("NO CVM SIGN AMOUNT[10000]"),
          "log: socket connect err, resp_code[COMM], NO CVM SIGN AMOUNT[10000]", "no [%s]?", line);

    DeleteFileA(g_ini);
}

}  // namespace winpos
