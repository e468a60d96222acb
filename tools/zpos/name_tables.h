// The record fields and the library's log lines as zpos shows them: each by
// its name, with its meaning. The generated blocks come from tables/ (the
// library's own headers carry the offsets and texts, not the names).
#pragma once

#include "support/log_lines.h"
#include "support/records.h"

namespace zpos::cli {

// Layouts after the common head depend on the transaction, so several names
// share an offset.
enum class Layout { head, card, cheque, points };

struct NamedField {
    const char* name;
    Layout layout;
    Field field;
    const char* meaning;
};

struct LogLine {
    const char* name;
    const char* text;
    bool format;  // a printf format rather than a fixed text
    const char* meaning;
};

// BEGIN GENERATED named fields: tables/generate.py
inline constexpr NamedField kRequestFields[] = {
    {"rec_len", Layout::head, req::rec_len, "four characters, not read"},
    {"pos_echo", Layout::head, req::pos_echo, "free for the POS; copied to the response"},
    {"msg_type", Layout::head, req::msg_type, "0200 approval or inquiry, 0420 cancellation; its second character (2 or 4) picks the response type"},
    {"tran_kind", Layout::head, req::tran_kind, "transaction kind (see the transaction kinds)"},
    {"kind_echo", Layout::head, req::kind_echo, "not read; copied to the response"},
    {"term_id", Layout::head, req::term_id, "terminal id"},
    {"entry_mode", Layout::card, req::entry_mode, "@ card number keyed in, anything else card read"},
    {"card_data", Layout::card, req::card_data, "card data area, copied whole to the response (its first two bytes are not read)"},
    {"track2", Layout::card, req::track2, "inside card_data: track-2 image; keyed: card number, =, expiry YYMM; cash: the identity number"},
    {"install_months", Layout::card, req::install_months, "instalment months, two digits"},
    {"amt_extra1", Layout::card, req::amt_extra1, "amount included in tran_amt and sent on its own"},
    {"amt_extra2", Layout::card, req::amt_extra2, "amount included in tran_amt and sent on its own"},
    {"tran_amt", Layout::card, req::tran_amt, "total amount; card and cash requests carry tran_amt - amt_extra1 - amt_extra2"},
    {"org_auth_no", Layout::card, req::org_auth_no, "cancellations: approval number being cancelled"},
    {"org_auth_date", Layout::card, req::org_auth_date, "cancellations: date being cancelled, YYMMDD"},
    {"ext_tf", Layout::card, req::ext_tf, "extra block, sent when it begins with TF"},
    {"ext_pa", Layout::card, req::ext_pa, "extra block, sent when its first byte is a letter"},
    {"cvm_data", Layout::card, req::cvm_data, "F1/F2: a first byte other than blank or zero asks for a signature at any amount"},
    {"chk_code", Layout::cheque, req::chk_code, "sent as it stands"},
    {"chk_number", Layout::cheque, req::chk_number, "sent as it stands"},
    {"chk_number_tail", Layout::cheque, req::chk_number_tail, "last six of chk_number, also sent on their own"},
    {"chk_account", Layout::cheque, req::chk_account, "sent as it stands"},
    {"chk_amount", Layout::cheque, req::chk_amount, "cheque amount, nine digits"},
    {"pt_media", Layout::points, req::pt_media, "points medium: 01, 02, 03, 04"},
    {"pt_sub", Layout::points, req::pt_sub, "points operation: 01, 02, 03, 11, 12 (11, 12 cancel)"},
    {"pt_card_data", Layout::points, req::pt_card_data, "points card data area, copied whole to the response"},
    {"pt_track2", Layout::points, req::pt_track2, "inside pt_card_data: the points card track-2 image"},
    {"pt_amt", Layout::points, req::pt_amt, "amount"},
    {"pt_org_auth_no", Layout::points, req::pt_org_auth_no, "11 and 12: approval number being cancelled"},
    {"pt_org_auth_date", Layout::points, req::pt_org_auth_date, "11 and 12: date being cancelled, YYMMDD"},
};
inline constexpr NamedField kResponseFields[] = {
    {"rec_len", Layout::head, resp::rec_len, "0450"},
    {"pos_echo", Layout::head, resp::pos_echo, "the request's pos_echo"},
    {"msg_type", Layout::head, resp::msg_type, "0210 for a request type with 2 as its second character, 0430 for 4"},
    {"tran_kind", Layout::head, resp::tran_kind, "from the request"},
    {"kind_echo", Layout::head, resp::kind_echo, "from the request"},
    {"head_blank", Layout::head, resp::head_blank, "ten blanks"},
    {"term_id", Layout::head, resp::term_id, "from the request"},
    {"resp_code", Layout::head, resp::resp_code, "result code (see the response codes)"},
    {"entry_mode", Layout::card, resp::entry_mode, "from the request"},
    {"card_data", Layout::card, resp::card_data, "the request's card_data"},
    {"install_months", Layout::card, resp::install_months, "from the request"},
    {"amt_extra1", Layout::card, resp::amt_extra1, "from the request"},
    {"amt_extra2", Layout::card, resp::amt_extra2, "from the request"},
    {"tran_amt", Layout::card, resp::tran_amt, "from the request"},
    {"issuer_code", Layout::card, resp::issuer_code, "card issuer code (two characters)"},
    {"issuer_name", Layout::card, resp::issuer_name, "card issuer name"},
    {"acquirer_code", Layout::card, resp::acquirer_code, "acquirer code"},
    {"acquirer_name", Layout::card, resp::acquirer_name, "acquirer name"},
    {"merchant_no", Layout::card, resp::merchant_no, "merchant number at the acquirer"},
    {"tran_datetime", Layout::card, resp::tran_datetime, "host date and time, YYMMDDhhmmss"},
    {"auth_no", Layout::card, resp::auth_no, "approval number (approvals only)"},
    {"card_class", Layout::card, resp::card_class, "1 for a card the host marks D"},
    {"message", Layout::card, resp::message, "host message; a decline shows \042line 1, line 2\042; the library's refusal texts \270\301\273\363\303\353\274\322\272\322\260\241 and \300\334\276\327\301\266\310\270\272\322\260\241 go here too"},
    {"info_line1", Layout::card, resp::info_line1, "display line from the host"},
    {"info_line2", Layout::card, resp::info_line2, "display line"},
    {"info_line3", Layout::card, resp::info_line3, "display line"},
    {"value1", Layout::card, resp::value1, "amount-type value from the host"},
    {"value2", Layout::card, resp::value2, "amount-type value"},
    {"value3", Layout::card, resp::value3, "amount-type value"},
    {"sign_flag", Layout::card, resp::sign_flag, "YES when a signature was captured, NONE otherwise"},
    {"chk_blank", Layout::cheque, resp::chk_blank, "eight blanks"},
    {"chk_message", Layout::cheque, resp::chk_message, "\301\244\273\363\274\366\307\245 for a valid cheque, else the host's two message lines \042line 1, line 2\042"},
    {"pt_media", Layout::points, resp::pt_media, "from the request"},
    {"pt_sub", Layout::points, resp::pt_sub, "from the request"},
    {"pt_date", Layout::points, resp::pt_date, "host date YYYYMMDD"},
    {"pt_time", Layout::points, resp::pt_time, "host time hhmmss"},
    {"pt_card_data", Layout::points, resp::pt_card_data, "the request's pt_card_data"},
    {"pt_amt", Layout::points, resp::pt_amt, "the request's pt_amt"},
    {"pt_auth_no", Layout::points, resp::pt_auth_no, "approval number (approvals only)"},
    {"pt_company_code", Layout::points, resp::pt_company_code, "points company code"},
    {"pt_company_name", Layout::points, resp::pt_company_name, "points company name"},
    {"pt_merchant_no", Layout::points, resp::pt_merchant_no, "merchant number"},
    {"pt_value1", Layout::points, resp::pt_value1, "points value from the host"},
    {"pt_value2", Layout::points, resp::pt_value2, "points value"},
    {"pt_value3", Layout::points, resp::pt_value3, "points value"},
    {"pt_message", Layout::points, resp::pt_message, "host message"},
    {"pt_line1", Layout::points, resp::pt_line1, "display line"},
    {"pt_line2", Layout::points, resp::pt_line2, "display line (declined replies)"},
};
// END GENERATED

// BEGIN GENERATED log lines: tables/generate.py
inline constexpr LogLine kLogLines[] = {
    {"invalid_call", log_lines::kInvalidCall, true, "Zelta_Send or Zelta_OKCashbag (the name) was called without a request record or a response buffer; it returns -1 at once"},
    {"cash_auth", log_lines::kCashAuth, true, "a cash approval (kind 21) with the port the POS passed, before the request is built"},
    {"cash_cancel", log_lines::kCashCancel, true, "a cash cancellation (kind 21) with the port the POS passed"},
    {"request_built", log_lines::kRequestBuilt, true, "the request message is being built for this message kind (2 card approval, 4 cancellation, 60 to 64 points ...)"},
    {"amount_over_limit", log_lines::kAmountOverLimit, true, "the amount is above 99,999,999: nothing is sent, the call returns -10"},
    {"no_cvm_sign", log_lines::kNoCvmSign, true, "no signature needed: the amount is 50,000 or less (and no CVM data on F1/F2)"},
    {"not_sign", log_lines::kNotSign, false, "a signature would be needed but signature capture is off (SignSetting) or the kind is cash"},
    {"pad_report", log_lines::kPadReport, true, "the day's first capture on an HCS pad sends the daily pad report (last report date, today)"},
    {"pad_port", log_lines::kPadPort, true, "the signature pad is called on this serial port (GetComPort)"},
    {"pad_field_a", log_lines::kPadFieldA, true, "pad field A as the pad returned it (three lines after each signature capture: fields A, C and B)"},
    {"pad_field_c", log_lines::kPadFieldC, true, "pad field C (the amount shown on the pad)"},
    {"pad_field_b", log_lines::kPadFieldB, true, "pad field B"},
    {"sign_length", log_lines::kSignLength, true, "the signature pad returned: the signature's length, 2 refused, 0 nothing signed, negative failed"},
    {"sign_zero", log_lines::kSignZero, true, "the pad returned no signature: the request is refused (-10)"},
    {"pin_card", log_lines::kPinCard, true, "the PIN pad is asked for a PIN for this card number"},
    {"pin_result", log_lines::kPinResult, true, "the PIN pad returned (its result, the PIN block)"},
    {"pad_load_fail", log_lines::kPadLoadFail, false, "the signature/PIN pad library is not in the application directory or cannot be loaded: no signature, no PIN"},
    {"pad_sign_missing", log_lines::kPadSignMissing, false, "the pad library has no signature function"},
    {"pad_pin_missing", log_lines::kPadPinMissing, false, "the pad library has no PIN function"},
    {"connect_substituted", log_lines::kConnectSubstituted, true, "the secondary host address was replaced by the primary host address and port"},
    {"connect_info", log_lines::kConnectInfo, true, "a connection to the host starts (address, port)"},
    {"connect_result", log_lines::kConnectResult, true, "the 2-second non-blocking connect ended: 0 connected, -1 not"},
    {"nonblock_connected", log_lines::kNonblockConnected, true, "connected by the non-blocking attempt"},
    {"nonblock_failed", log_lines::kNonblockFailed, true, "the non-blocking attempt failed; one blocking attempt follows, which waits as long as the system's connect time-out"},
    {"blocking_connected", log_lines::kBlockingConnected, true, "connected by the blocking attempt"},
    {"connect_error", log_lines::kConnectError, true, "no connection to the host (with the system's error code): the call returns -6, resp_code COMM"},
    {"enq_timeout", log_lines::kEnqTimeout, false, "connected, but no ENQ from the host within 10 seconds: -5"},
    {"enq_not_set", log_lines::kEnqNotSet, false, "the link was reported ready but was not while waiting for ENQ: -5"},
    {"enq_short", log_lines::kEnqShort, false, "the host sent fewer than three bytes instead of its ENQ frame (or closed): -5"},
    {"no_enq", log_lines::kNoEnq, false, "the host's first frame is not ENQ: -5"},
    {"enq_received", log_lines::kEnqReceived, true, "ENQ received (bytes read, 05); the request goes out next and the reply is awaited, 10 seconds a wait, a NAK before each of the three further waits"},
    {"send_error", log_lines::kSendError, false, "the request frame was not sent whole: -5"},
    {"resend_error", log_lines::kResendError, false, "a NAK was not sent: -5"},
    {"reply_timeout", log_lines::kReplyTimeout, false, "no reply after the request and three NAKs (about 40 seconds): -1, resp_code Time"},
    {"reply_not_set", log_lines::kReplyNotSet, false, "the link was reported ready but was not while waiting for the reply; a NAK follows"},
    {"reply_not_set_last", log_lines::kReplyNotSetLast, false, "the same after the third NAK: -3"},
    {"reply_length_error", log_lines::kReplyLengthError, false, "the reply's two length bytes could not be read (the host closed): -1"},
    {"reply_body_error", log_lines::kReplyBodyError, true, "the reply's body ended short of its length (bytes read, length announced), or the length is above 3000: -1"},
    {"enq_retry", log_lines::kEnqRetry, true, "the host sent ENQ again instead of its reply: the library waits again, without NAK and without using up a retry"},
    {"reply_short_frames", log_lines::kReplyShortFrames, false, "the host answered only with short frames (not ENQ) up to the third NAK: -2"},
    {"ack_send_error", log_lines::kAckSendError, false, "the ACK could not be sent (no open link): Zelta_Ack -5, or -12 after a management message"},
    {"ack_sent", log_lines::kAckSent, false, "Zelta_Ack sent the ACK and waits up to 10 seconds a frame, five frames at most, for EOT"},
    {"auto_ack_sent", log_lines::kAutoAckSent, false, "the library acknowledged a reply other than 0000 itself and waits for EOT"},
    {"eot_timeout", log_lines::kEotTimeout, false, "no frame for 10 seconds after the ACK; after Zelta_Ack the management message follows"},
    {"eot_not_set", log_lines::kEotNotSet, false, "the link was reported ready but was not while waiting for EOT"},
    {"eot_short", log_lines::kEotShort, true, "a read of fewer than three bytes while waiting for EOT (the host closed, or sent too little)"},
    {"eot_ok", log_lines::kEotOk, true, "EOT received for Zelta_Ack's ACK (byte, frame count, bytes read): the transaction is closed and the route reset to the primary host (VANID 1, EOT_CNT 0)"},
    {"eot_error", log_lines::kEotError, true, "the fifth frame after the ACK is not EOT either: the management message follows"},
    {"eot_fail", log_lines::kEotFail, true, "a frame without EOT after the ACK; the library waits for the next"},
    {"auto_eot_ok", log_lines::kAutoEotOk, true, "EOT received for the automatic acknowledgement: the decline is closed"},
    {"auto_eot_error", log_lines::kAutoEotError, true, "five frames without EOT after the automatic ACK; nothing more is done"},
    {"auto_eot_fail", log_lines::kAutoEotFail, true, "a frame without EOT after the automatic ACK; the library waits for the next"},
    {"management_error", log_lines::kManagementError, false, "the management message did not get through (the exchange's own lines come before): Zelta_Ack -12"},
    {"management_ack_sent", log_lines::kManagementAckSent, false, "the host answered the management message and got its ACK: Zelta_Ack -13"},
    {"resp_code", log_lines::kRespCode, true, "the response code when it is not 0000: after a reply from the host on the primary route the automatic acknowledgement follows; after Time (no reply) or COMM (no connection) nothing does"},
    {"to_backup", log_lines::kToBackup, false, "the primary host declined a cancellation: it goes to the backup route"},
    {"backup_load_fail", log_lines::kBackupLoadFail, false, "the backup library is not in the application directory or cannot be loaded: route back to primary; -9 while the backup request is built, -8 when it is sent"},
    {"backup_crypt_missing", log_lines::kBackupCryptMissing, false, "the backup library has no encryption function: route back to primary, -9"},
    {"backup_data_missing", log_lines::kBackupDataMissing, false, "the backup library has no transaction function: route back to primary, -8"},
    {"backup_no_encrypt", log_lines::kBackupNoEncrypt, false, "the card's expiry year is 99, which the backup route does not encrypt: route back to primary, -9"},
    {"backup_encrypt_fail", log_lines::kBackupEncryptFail, false, "the backup library could not encrypt the track: route back to primary, -9"},
    {"backup_terminal", log_lines::kBackupTerminal, true, "this terminal id is not enrolled for the backup route: route back to primary, -9"},
    {"backup_amount", log_lines::kBackupAmount, true, "the amount is 100,000,000 or more, which the backup route does not take: -9, the route stays on backup"},
    {"backup_not_built", log_lines::kBackupNotBuilt, true, "a declined cancellation could not be built for the backup route (its length, 0): the host's decline stands"},
    {"backup_call_failed", log_lines::kBackupCallFailed, false, "the backup library's call failed: route back to primary, -8"},
    {"backup_answered", log_lines::kBackupAnswered, false, "the backup server answered through the backup library"},
    {"backup_unknown", log_lines::kBackupUnknown, false, "the backup server does not hold the approval being cancelled (3600 or 2000): the primary host is asked"},
    {"download_connect_error", log_lines::kDownloadConnectError, false, "Zelta_download could not connect: -5"},
    {"download_send_error", log_lines::kDownloadSendError, false, "Zelta_download could not send its request: -4"},
    {"download_timeout", log_lines::kDownloadTimeout, false, "no answer to Zelta_download within 10 seconds: -1"},
    {"download_select_error", log_lines::kDownloadSelectError, false, "the wait for the download answer failed: -1"},
    {"download_ok", log_lines::kDownloadOk, false, "the download answer begins with 0000"},
};
// END GENERATED

}  // namespace zpos::cli
