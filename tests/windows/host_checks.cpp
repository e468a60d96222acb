// Card transactions with zpos-host: an approval closed by Zelta_Ack, a signed
// approval through SignPad_dll.dll and a decline. Each leaves its response and
// its log lines beside the program for the script's comparison with Linux.
#include <cstdio>
#include <cstring>

#include "tests/windows/winpos.h"

namespace winpos {

namespace {

// One card approval request, built into `req`, through Zelta_Send. The
// response goes to <name>.rec and the log lines of this call to <name>.log,
// where the checks read them; the response buffer starts as '#' so every byte
// written shows.
int send_card(int port, const char* track, long amount, const char* name, char* req, char* resp) {
    pos_request(req, "0200", "10", track, amount);
    std::memset(resp, '#', kResponseSize);
    long from = log_size();
    int rc = g_send("127.0.0.1", port, req, resp);
    char file[64];
    std::snprintf(file, sizeof file, "%s.rec", name);
    write_bytes(file, resp, kResponseSize);
    std::snprintf(file, sizeof file, "%s.log", name);
    load_log_since(from, file);
    return rc;
}

// The connection lines every exchange with a reachable host writes.
void check_connect_lines(const char* name, int port) {
    char line[128];
    char label[128];
    std::snprintf(line, sizeof line, "Connect info2 IP[127.0.0.1], port[%d]", port);
    std::snprintf(label, sizeof label, "%s: log %s", name, line);
    check(log_has_line(line), label);
    std::snprintf(label, sizeof label, "%s: log rtn[0] and ENQ_RECV[05]", name);
    check(log_has_line("rtn[0]") && log_has_line("rtn[3] ENQ_RECV[05]"), label);
    std::snprintf(line, sizeof line, "NONBLOCK \xBF\xAC\xB0\xE1 \xBC\xBA\xB0\xF8[127.0.0.1][%d]", port);
    std::snprintf(label, sizeof label, "%s: log NONBLOCK connected", name);
    check(log_has_line(line), label);
}

}  // namespace

// Card approval against the host, then Zelta_Ack: the reply fills the
// response, the link stays open for the ACK, and the EOT resets the route and
// the failure count. With the store filled the card's security block goes
// with the request and the serial number is marked sent.
void check_card_approval(int port, bool with_store) {
    write_file(g_ini, "[VANCFG]\r\nVANID=1\r\nEOT_CNT=2\r\n");
    if (with_store) check_store_filled();

    static char req[kRequestSize];
    static char resp[kResponseSize];
    int rc = send_card(port, "9410123456789012=2812101", 30000, "approval", req, resp);

    check(rc == 1, "approval: result 1", "got %d", rc);
    check(bytes_are(RESP(resp, MSG_TYPE), "021010") && bytes_are(RESP(resp, TERM_ID), "12000000010000"),
          "approval: 0210, kind 10, term_id and resp_code 0000", "got [%.4s] [%.14s]", RESP(resp, MSG_TYPE),
          RESP(resp, TERM_ID));
    check(bytes_are(RESP(resp, AUTH_NO), "12345678    "), "approval: auth_no", "got [%.12s]", RESP(resp, AUTH_NO));
    check(bytes_are(RESP(resp, ISSUER_NAME), "\xB1\xB9\xB9\xCE\xC4\xAB\xB5\xE5"),
          "approval: issuer name turned from keystrokes into CP949", "got [%.20s]", RESP(resp, ISSUER_NAME));
    check(bytes_are(RESP(resp, SIGN_FLAG), "NONE"), "approval: sign_flag NONE");
    check(!std::memchr(resp, '\0', sizeof resp), "approval: no zero byte in the response");
    check_connect_lines("approval", port);
    char masked[128];
    std::snprintf(masked, sizeof masked, "] - %.58s941012345678*********101 ", req);
    check(log_has(masked), "approval: request logged with the track masked");
    check(!log_has("AUTO ACK SEND") && !log_has("resp_code["),
          "approval: no automatic acknowledgement");

    char v[32];
    ini_value("EOT_CNT", v, sizeof v);
    check(std::strcmp(v, "2") == 0, "approval: EOT_CNT still 2 before Zelta_Ack", "got [%s]", v);
    if (with_store) check_serial_marked();

    long from = log_size();
    rc = g_ack();
    load_log_since(from, "ack.log");
    check(rc == 1, "Zelta_Ack: result 1", "got %d", rc);
    check(log_has_line("ACK SEND") && log_has_line("EOT RECV [04] OK   count[1] Len[  3] "),
          "Zelta_Ack: log ACK SEND and EOT RECV [04] OK");
    ini_value("VANID", v, sizeof v);
    check(std::strcmp(v, "1") == 0, "Zelta_Ack: VANID 1", "got [%s]", v);
    ini_value("EOT_CNT", v, sizeof v);
    check(std::strcmp(v, "0") == 0, "Zelta_Ack: EOT_CNT 0", "got [%s]", v);

    rc = g_ack();
    check(rc == -5, "Zelta_Ack again: the link is closed, -5", "got %d", rc);
    DeleteFileA(g_ini);
}

// A signed approval: above 50000 with the pad switched on, the library loads
// SignPad_dll.dll beside the program, calls orvik_sign and frees it again.
void check_signed_approval(int port) {
    char pad[MAX_PATH + 32];
    std::snprintf(pad, sizeof pad, "%s\\SignPad_dll.dll", g_dir);
    if (GetFileAttributesA(pad) == INVALID_FILE_ATTRIBUTES) {
        check(false, "signed approval: SignPad_dll.dll beside the program");
        return;
    }
    write_file(g_ini, "[COM_PORT]\r\nSignSetting=YES\r\nGetComPort=7\r\n");
    char script[MAX_PATH + 32];
    std::snprintf(script, sizeof script, "%s\\SignPad_dll.script", g_dir);
    write_file(script, "sign_result=5\r\nsign_bytes=ABCDE\r\n");

    static char req[kRequestSize];
    static char resp[kResponseSize];
    int rc = send_card(port, "9410123456789012=2812101", 60000, "signed", req, resp);
    check(rc == 1 && bytes_are(RESP(resp, RESP_CODE), "0000"), "signed approval: result 1, resp_code 0000",
          "got %d [%.4s]", rc, RESP(resp, RESP_CODE));
    check(bytes_are(RESP(resp, SIGN_FLAG), "YES"), "signed approval: sign_flag YES", "got [%.4s]",
          RESP(resp, SIGN_FLAG));
    check(log_has_line("GET COM PORT NO... 7") && log_has_line("RETURN Sign LEN.. 0005"),
          "signed approval: log the pad's port and signature length");
    static char record[4096];
    std::snprintf(script, sizeof script, "%s\\SignPad_dll.record", g_dir);
    check(read_file(script, record, sizeof record) > 0 && bytes_are(record, "orvik_sign 7 "),
          "signed approval: the pad was called once with port 7", "record [%.40s]", record);
    HMODULE still = GetModuleHandleA("SignPad_dll.dll");
    check(still == nullptr, "signed approval: the pad library was released after the call");
    rc = g_ack();
    check(rc == 1, "signed approval: Zelta_Ack 1", "got %d", rc);
    DeleteFileA(g_ini);
}

// A decline: the library acknowledges it by itself before it returns, so
// Zelta_Ack afterwards finds no link. The settings file is not written.
void check_decline(int port) {
    DeleteFileA(g_ini);
    static char req[kRequestSize];
    static char resp[kResponseSize];
    int rc = send_card(port, "5410123456789012=2812101", 30000, "decline", req, resp);
    check(rc == 1, "decline: result 1", "got %d", rc);
    check(bytes_are(RESP(resp, RESP_CODE), "8324"), "decline: resp_code 8324", "got [%.4s]", RESP(resp, RESP_CODE));
    check(!std::memchr(resp, '\0', sizeof resp), "decline: no zero byte in the response");
    check_connect_lines("decline", port);
    check(log_has_line("resp_code[8324]") && log_has_line("AUTO ACK SEND") &&
              log_has_line("AUTO ACK EOT RECV [04] OK   count[1] Len[  3] "),
          "decline: log resp_code[8324], AUTO ACK SEND and AUTO ACK EOT RECV [04] OK");
    rc = g_ack();
    check(rc == -5, "decline: Zelta_Ack afterwards -5", "got %d", rc);
    check(GetFileAttributesA(g_ini) == INVALID_FILE_ATTRIBUTES,
          "decline: no settings file written");
}

}  // namespace winpos
