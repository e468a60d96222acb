// Card transactions with zpos-host, their responses and log lines saved for
// the comparison with the native run: here only what that cannot see.
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "tests/windows/winpos.h"

namespace winpos {

namespace {

// One card request through Zelta_Send: the response to <name>.rec, this
// call's log lines to <name>.log; the result must be 1.
void send_card(int port, const char* track, long amount, const char* name) {
    static char req[kRequestSize];
    static char resp[kResponseSize];
    pos_request(req, "0200", "10", track, amount);
    std::memset(resp, '#', kResponseSize);
    long from = log_size();
    int rc = g_send("127.0.0.1", port, req, resp);
    char file[64];
    std::snprintf(file, sizeof file, "%s.rec", name);
    write_bytes(file, resp, kResponseSize);
    std::snprintf(file, sizeof file, "%s.log", name);
    load_log_since(from, file);
    check(rc == 1, named(name, "result 1"), "got %d", rc);
}

void check_ack(int want, const char* name) {
    int rc = g_ack();
    check(rc == want, name, "got %d", rc);
}

void check_ini(const char* key, const char* want, const char* name) {
    char v[32];
    ini_value(key, v, sizeof v);
    check(std::strcmp(v, want) == 0, name, "got [%s]", v);
}

// GET_SERIAL in the per-user security store: the library sets the string
// "ZELTA" as five bytes without a zero; the registry, as NT does, adds the
// zero when the byte after the caller's count is one.
void check_serial_marked() {
    HKEY k = nullptr;
    wchar_t serial[16] = {};
    DWORD bytes = 0, type = 0, room = sizeof serial - sizeof(wchar_t);
    bool found = RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\VAN_POS_SECURITY\\1100", 0, KEY_READ, &k) ==
                     ERROR_SUCCESS &&
                 RegQueryValueExW(k, L"GET_SERIAL", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
                 RegQueryValueExW(k, L"GET_SERIAL", nullptr, &type, reinterpret_cast<BYTE*>(serial), &room) ==
                     ERROR_SUCCESS;
    if (k) RegCloseKey(k);
    check(found && type == REG_SZ && (bytes == 5 * sizeof(wchar_t) || bytes == 6 * sizeof(wchar_t)) &&
              std::wcscmp(serial, L"ZELTA") == 0,
          "approval: GET_SERIAL now the string ZELTA", "%lu bytes", bytes);
}

}  // namespace

// An approval keeps the link open for Zelta_Ack, whose EOT resets the route
// and the failure count; the serial is marked sent.
void check_card_approval(int port) {
    write_file(g_ini, "[VANCFG]\r\nVANID=1\r\nEOT_CNT=2\r\n");
    send_card(port, "9410123456789012=2812101", 30000, "approval");
    check_ini("EOT_CNT", "2", "approval: EOT_CNT still 2 before Zelta_Ack");
    check_serial_marked();

    long from = log_size();
    check_ack(1, "Zelta_Ack: result 1");
    load_log_since(from, "ack.log");
    check(log_has_line("ACK SEND") && log_has_line("EOT RECV [04] OK   count[1] Len[  3] "),
          "Zelta_Ack: log ACK SEND and EOT RECV [04] OK");
    check_ini("VANID", "1", "Zelta_Ack: VANID 1");
    check_ini("EOT_CNT", "0", "Zelta_Ack: EOT_CNT 0");
    check_ack(-5, "Zelta_Ack again: the link is closed, -5");
    DeleteFileA(g_ini);
}

// Above 50000 with the pad on, SignPad_dll.dll beside the program is loaded
// for the call and released after it.
void check_signed_approval(int port) {
    write_file(g_ini, "[COM_PORT]\r\nSignSetting=YES\r\nGetComPort=7\r\n");
    char script[MAX_PATH + 32];
    std::snprintf(script, sizeof script, "%s\\SignPad_dll.script", g_dir);
    write_file(script, "sign_result=5\r\nsign_bytes=ABCDE\r\n");
    send_card(port, "9410123456789012=2812101", 60000, "signed");
    check(GetModuleHandleA("SignPad_dll.dll") == nullptr, "signed approval: the pad library was released");
    check_ack(1, "signed approval: Zelta_Ack 1");
    DeleteFileA(g_ini);
}

// A decline is acknowledged by the library itself, and writes no settings.
void check_decline(int port) {
    DeleteFileA(g_ini);
    send_card(port, "5410123456789012=2812101", 30000, "decline");
    check_ack(-5, "decline: Zelta_Ack afterwards -5");
    check(GetFileAttributesA(g_ini) == INVALID_FILE_ATTRIBUTES, "decline: no settings file written");
}

}  // namespace winpos
