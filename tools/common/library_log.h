// The library's log lines and link waits as the programs beside it read them
// (zpos-agent's progress of a running call): each line's name and text, and
// the waits that say how long the call can still take. The block comes from
// tables/ (tables/generate.py), not from the library's own headers, so a
// program that links the library through its public header alone can use it.
#pragma once

namespace zpos::library_log {

struct Line {
    const char* name;
    const char* text;  // CP949 bytes, as the library writes them
    bool format;       // a printf format rather than a fixed text
};

// BEGIN GENERATED library log: tables/generate.py
// the first, non-blocking connect
inline constexpr int kConnectTimeoutMs = 2000;
// every read wait: the ENQ, each reply wait, each frame after an ACK, the download's answer
inline constexpr int kLinkWaitMs = 10000;
// NAKs sent for a reply before the exchange gives up
inline constexpr int kReplyRetries = 3;
// frames read at most while waiting for EOT
inline constexpr int kEotFrames = 5;
inline constexpr Line kLines[] = {
    {"invalid_call", "%s: missing request or response buffer", true},
    {"cash_auth", "\012Cash Auth[%ld]\012\012", true},
    {"cash_cancel", "\012Cash Cancel[%ld]\012\012", true},
    {"request_built", "From Pointsvc... [%d]", true},
    {"amount_over_limit", "tran_amt is 1 billion over [%d]", true},
    {"no_cvm_sign", "NO CVM SIGN AMOUNT[%d]", true},
    {"not_sign", "NOT SIGN", false},
    {"pad_report", "Logon Send... [%.6s] [%.6s]", true},
    {"pad_port", "GET COM PORT NO... %.2s", true},
    {"pad_field_a", "%.15s", true},
    {"pad_field_c", "%.17s", true},
    {"pad_field_b", "%.3s", true},
    {"sign_length", "RETURN Sign LEN.. %04d", true},
    {"sign_zero", "\307\317\300\275 Sign LEN.. %04d", true},
    {"pin_card", "in PinPad return.. [%.16s]", true},
    {"pin_result", "Get PinPad return.. [%d] [%.16s]", true},
    {"pad_load_fail", "Signpad_dll.dll load Fail", false},
    {"pad_sign_missing", "SignPad_dll.dll orvik_sign load fail...", false},
    {"pad_pin_missing", "SignPad_dll.dll general_pin load fail...", false},
    {"connect_substituted", "Connect info IP[%.100s], port[%d]", true},
    {"connect_info", "Connect info2 IP[%.100s], port[%d]", true},
    {"connect_result", "rtn[%d]", true},
    {"nonblock_connected", "NONBLOCK \277\254\260\341 \274\272\260\370[%.15s][%d]", true},
    {"nonblock_failed", "NONBLOCK \277\254\260\341 \275\307\306\320[%.15s][%d]", true},
    {"blocking_connected", "Connect \277\254\260\341 \274\272\260\370[%.15s][%d]", true},
    {"connect_error", "socket connect err IP[%.100s],Port[%d][%ld]", true},
    {"enq_timeout", "ENQ read TimeOut err", false},
    {"enq_not_set", "ENQ read err isset errno", false},
    {"enq_short", "ENQ Read Err", false},
    {"no_enq", "ENQ \276\370\300\275", false},
    {"enq_received", "rtn[%d] ENQ_RECV[%02x]", true},
    {"send_error", "\300\374\274\333 err", false},
    {"resend_error", "\300\347\300\374\274\333 err", false},
    {"reply_timeout", "reply data time out", false},
    {"reply_not_set", "FD_ISSET Er", false},
    {"reply_not_set_last", "reply data FD_ISSET Er", false},
    {"reply_length_error", "recv err", false},
    {"reply_body_error", "recv err2 body_rtn[%d], rply_rtn[%d]", true},
    {"enq_retry", "ENQ RETRY [%02x] [%d]", true},
    {"reply_short_frames", "reply data recv err", false},
    {"ack_send_error", "ACK send err", false},
    {"ack_sent", "ACK SEND", false},
    {"auto_ack_sent", "AUTO ACK SEND", false},
    {"eot_timeout", "EOT recv time out", false},
    {"eot_not_set", "EOT recv isset err2", false},
    {"eot_short", "EOT recv err2 rtn[%d]", true},
    {"eot_ok", "EOT RECV [%02x] OK   count[%d] Len[%3d] ", true},
    {"eot_error", "EOT RECV [%02x] ERROR   count[%d] Len[%3d] ", true},
    {"eot_fail", "EOT RECV [%02x] FAIL count[%d] Len[%3d] ", true},
    {"auto_eot_ok", "AUTO ACK EOT RECV [%02x] OK   count[%d] Len[%3d] ", true},
    {"auto_eot_error", "AUTO ACK EOT RECV [%02x] ERROR   count[%d] Len[%3d] ", true},
    {"auto_eot_fail", "AUTO ACK EOT RECV [%02x] FAIL count[%d] Len[%3d] ", true},
    {"management_error", "MANG req send err", false},
    {"management_ack_sent", "MANG ACK SEND", false},
    {"resp_code", "resp_code[%.4s]", true},
    {"to_backup", "Don't find CANCLE so Send to BACKUP", false},
    {"backup_load_fail", "BACK UP DLL load Fail", false},
    {"backup_crypt_missing", "BACK UP DLL  get  cryptCard Fail", false},
    {"backup_data_missing", "BACK UP DLL get  DataProcess Fail", false},
    {"backup_no_encrypt", "Encrypt Module is not BACKUPing", false},
    {"backup_encrypt_fail", "BACK UP DLL track2 data encrypt fail", false},
    {"backup_terminal", "Don't BACKUP TID[%.10s]", true},
    {"backup_amount", "Amount is 100000000 over [%d]", true},
    {"backup_not_built", " pack_len[%d] rtn[%d] ", true},
    {"backup_call_failed", "Call ret false", false},
    {"backup_answered", "BACK UP DLL Return OK", false},
    {"backup_unknown", "org auth is not exist to BACKUP server ", false},
    {"download_connect_error", "CONNECT ERR", false},
    {"download_send_error", "SEND ERR", false},
    {"download_timeout", "timeout socket", false},
    {"download_select_error", "fail  sock select", false},
    {"download_ok", "\264\331\277\356\267\316\265\345 \274\272\260\370", false},
};
// END GENERATED

}  // namespace zpos::library_log
