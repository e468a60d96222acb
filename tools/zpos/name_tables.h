// The record fields and the library's log lines as zpos shows them: each by
// its name, with its meaning. The generated blocks come from tables/; the
// offsets are the public header's and the log texts library_log.h's, so zpos
// needs nothing of the library but what a POS has.
#pragma once

#include <cstddef>
#include <iterator>

#include "tools/common/library_log.h"
#include "zposapp_records.h"

namespace zpos::cli {

// A field of a record: Field{ZPOSAPP_FIELD(REQ, TRAN_AMT)}.
struct Field {
    std::size_t offset;
    std::size_t width;
    constexpr Field(int o, int w) : offset(static_cast<std::size_t>(o)), width(static_cast<std::size_t>(w)) {}
};

// Layouts after the common head depend on the transaction, so several names
// share an offset.
enum class Layout { head, card, cheque, points };

struct NamedField {
    const char* name;
    Layout layout;
    Field field;
    const char* meaning;
};

// BEGIN GENERATED named fields: tables/generate.py
inline constexpr NamedField kRequestFields[] = {
    {"rec_len", Layout::head, {ZPOSAPP_FIELD(REQ, REC_LEN)}, "four characters, not read"},
    {"pos_echo", Layout::head, {ZPOSAPP_FIELD(REQ, POS_ECHO)}, "free for the POS; copied to the response"},
    {"msg_type", Layout::head, {ZPOSAPP_FIELD(REQ, MSG_TYPE)}, "0200 approval or inquiry, 0420 cancellation; its second character (2 or 4) picks the response type"},
    {"tran_kind", Layout::head, {ZPOSAPP_FIELD(REQ, TRAN_KIND)}, "transaction kind (see the transaction kinds)"},
    {"kind_echo", Layout::head, {ZPOSAPP_FIELD(REQ, KIND_ECHO)}, "not read; copied to the response"},
    {"term_id", Layout::head, {ZPOSAPP_FIELD(REQ, TERM_ID)}, "terminal id"},
    {"entry_mode", Layout::card, {ZPOSAPP_FIELD(REQ, ENTRY_MODE)}, "@ card number keyed in, anything else card read"},
    {"card_data", Layout::card, {ZPOSAPP_FIELD(REQ, CARD_DATA)}, "card data area, copied whole to the response (its first two bytes are not read)"},
    {"track2", Layout::card, {ZPOSAPP_FIELD(REQ, TRACK2)}, "inside card_data: track-2 image; keyed: card number, =, expiry YYMM; cash: the identity number"},
    {"install_months", Layout::card, {ZPOSAPP_FIELD(REQ, INSTALL_MONTHS)}, "instalment months, two digits"},
    {"amt_extra1", Layout::card, {ZPOSAPP_FIELD(REQ, AMT_EXTRA1)}, "amount included in tran_amt and sent on its own"},
    {"amt_extra2", Layout::card, {ZPOSAPP_FIELD(REQ, AMT_EXTRA2)}, "amount included in tran_amt and sent on its own"},
    {"tran_amt", Layout::card, {ZPOSAPP_FIELD(REQ, TRAN_AMT)}, "total amount; card and cash requests carry tran_amt - amt_extra1 - amt_extra2"},
    {"org_auth_no", Layout::card, {ZPOSAPP_FIELD(REQ, ORG_AUTH_NO)}, "cancellations: approval number being cancelled"},
    {"org_auth_date", Layout::card, {ZPOSAPP_FIELD(REQ, ORG_AUTH_DATE)}, "cancellations: date being cancelled, YYMMDD"},
    {"ext_tf", Layout::card, {ZPOSAPP_FIELD(REQ, EXT_TF)}, "extra block, sent when it begins with TF"},
    {"ext_pa", Layout::card, {ZPOSAPP_FIELD(REQ, EXT_PA)}, "extra block, sent when its first byte is a letter"},
    {"cvm_data", Layout::card, {ZPOSAPP_FIELD(REQ, CVM_DATA)}, "F1/F2: a first byte other than blank or zero asks for a signature at any amount"},
    {"chk_code", Layout::cheque, {ZPOSAPP_FIELD(REQ, CHK_CODE)}, "sent as it stands"},
    {"chk_number", Layout::cheque, {ZPOSAPP_FIELD(REQ, CHK_NUMBER)}, "sent as it stands"},
    {"chk_number_tail", Layout::cheque, {ZPOSAPP_FIELD(REQ, CHK_NUMBER_TAIL)}, "last six of chk_number, also sent on their own"},
    {"chk_account", Layout::cheque, {ZPOSAPP_FIELD(REQ, CHK_ACCOUNT)}, "sent as it stands"},
    {"chk_amount", Layout::cheque, {ZPOSAPP_FIELD(REQ, CHK_AMOUNT)}, "cheque amount, nine digits"},
    {"pt_media", Layout::points, {ZPOSAPP_FIELD(REQ, PT_MEDIA)}, "points medium: 01, 02, 03, 04"},
    {"pt_sub", Layout::points, {ZPOSAPP_FIELD(REQ, PT_SUB)}, "points operation: 01, 02, 03, 11, 12 (11, 12 cancel)"},
    {"pt_card_data", Layout::points, {ZPOSAPP_FIELD(REQ, PT_CARD_DATA)}, "points card data area, copied whole to the response"},
    {"pt_track2", Layout::points, {ZPOSAPP_FIELD(REQ, PT_TRACK2)}, "inside pt_card_data: the points card track-2 image"},
    {"pt_amt", Layout::points, {ZPOSAPP_FIELD(REQ, PT_AMT)}, "amount"},
    {"pt_org_auth_no", Layout::points, {ZPOSAPP_FIELD(REQ, PT_ORG_AUTH_NO)}, "11 and 12: approval number being cancelled"},
    {"pt_org_auth_date", Layout::points, {ZPOSAPP_FIELD(REQ, PT_ORG_AUTH_DATE)}, "11 and 12: date being cancelled, YYMMDD"},
};
inline constexpr NamedField kResponseFields[] = {
    {"rec_len", Layout::head, {ZPOSAPP_FIELD(RESP, REC_LEN)}, "0450"},
    {"pos_echo", Layout::head, {ZPOSAPP_FIELD(RESP, POS_ECHO)}, "the request's pos_echo"},
    {"msg_type", Layout::head, {ZPOSAPP_FIELD(RESP, MSG_TYPE)}, "0210 for a request type with 2 as its second character, 0430 for 4"},
    {"tran_kind", Layout::head, {ZPOSAPP_FIELD(RESP, TRAN_KIND)}, "from the request"},
    {"kind_echo", Layout::head, {ZPOSAPP_FIELD(RESP, KIND_ECHO)}, "from the request"},
    {"head_blank", Layout::head, {ZPOSAPP_FIELD(RESP, HEAD_BLANK)}, "ten blanks"},
    {"term_id", Layout::head, {ZPOSAPP_FIELD(RESP, TERM_ID)}, "from the request"},
    {"resp_code", Layout::head, {ZPOSAPP_FIELD(RESP, RESP_CODE)}, "result code (see the response codes)"},
    {"entry_mode", Layout::card, {ZPOSAPP_FIELD(RESP, ENTRY_MODE)}, "from the request"},
    {"card_data", Layout::card, {ZPOSAPP_FIELD(RESP, CARD_DATA)}, "the request's card_data"},
    {"install_months", Layout::card, {ZPOSAPP_FIELD(RESP, INSTALL_MONTHS)}, "from the request"},
    {"amt_extra1", Layout::card, {ZPOSAPP_FIELD(RESP, AMT_EXTRA1)}, "from the request"},
    {"amt_extra2", Layout::card, {ZPOSAPP_FIELD(RESP, AMT_EXTRA2)}, "from the request"},
    {"tran_amt", Layout::card, {ZPOSAPP_FIELD(RESP, TRAN_AMT)}, "from the request"},
    {"issuer_code", Layout::card, {ZPOSAPP_FIELD(RESP, ISSUER_CODE)}, "card issuer code (two characters)"},
    {"issuer_name", Layout::card, {ZPOSAPP_FIELD(RESP, ISSUER_NAME)}, "card issuer name"},
    {"acquirer_code", Layout::card, {ZPOSAPP_FIELD(RESP, ACQUIRER_CODE)}, "acquirer code"},
    {"acquirer_name", Layout::card, {ZPOSAPP_FIELD(RESP, ACQUIRER_NAME)}, "acquirer name"},
    {"merchant_no", Layout::card, {ZPOSAPP_FIELD(RESP, MERCHANT_NO)}, "merchant number at the acquirer"},
    {"tran_datetime", Layout::card, {ZPOSAPP_FIELD(RESP, TRAN_DATETIME)}, "host date and time, YYMMDDhhmmss"},
    {"auth_no", Layout::card, {ZPOSAPP_FIELD(RESP, AUTH_NO)}, "approval number (approvals only)"},
    {"card_class", Layout::card, {ZPOSAPP_FIELD(RESP, CARD_CLASS)}, "1 for a card the host marks D"},
    {"message", Layout::card, {ZPOSAPP_FIELD(RESP, MESSAGE)}, "host message; a decline shows \042line 1, line 2\042; the library's refusal texts \270\301\273\363\303\353\274\322\272\322\260\241 and \300\334\276\327\301\266\310\270\272\322\260\241 go here too"},
    {"info_line1", Layout::card, {ZPOSAPP_FIELD(RESP, INFO_LINE1)}, "display line from the host"},
    {"info_line2", Layout::card, {ZPOSAPP_FIELD(RESP, INFO_LINE2)}, "display line"},
    {"info_line3", Layout::card, {ZPOSAPP_FIELD(RESP, INFO_LINE3)}, "display line"},
    {"value1", Layout::card, {ZPOSAPP_FIELD(RESP, VALUE1)}, "amount-type value from the host"},
    {"value2", Layout::card, {ZPOSAPP_FIELD(RESP, VALUE2)}, "amount-type value"},
    {"value3", Layout::card, {ZPOSAPP_FIELD(RESP, VALUE3)}, "amount-type value"},
    {"sign_flag", Layout::card, {ZPOSAPP_FIELD(RESP, SIGN_FLAG)}, "YES when a signature was captured, NONE otherwise"},
    {"chk_blank", Layout::cheque, {ZPOSAPP_FIELD(RESP, CHK_BLANK)}, "eight blanks"},
    {"chk_message", Layout::cheque, {ZPOSAPP_FIELD(RESP, CHK_MESSAGE)}, "\301\244\273\363\274\366\307\245 for a valid cheque, else the host's two message lines \042line 1, line 2\042"},
    {"pt_media", Layout::points, {ZPOSAPP_FIELD(RESP, PT_MEDIA)}, "from the request"},
    {"pt_sub", Layout::points, {ZPOSAPP_FIELD(RESP, PT_SUB)}, "from the request"},
    {"pt_date", Layout::points, {ZPOSAPP_FIELD(RESP, PT_DATE)}, "host date YYYYMMDD"},
    {"pt_time", Layout::points, {ZPOSAPP_FIELD(RESP, PT_TIME)}, "host time hhmmss"},
    {"pt_card_data", Layout::points, {ZPOSAPP_FIELD(RESP, PT_CARD_DATA)}, "the request's pt_card_data"},
    {"pt_amt", Layout::points, {ZPOSAPP_FIELD(RESP, PT_AMT)}, "the request's pt_amt"},
    {"pt_auth_no", Layout::points, {ZPOSAPP_FIELD(RESP, PT_AUTH_NO)}, "approval number (approvals only)"},
    {"pt_company_code", Layout::points, {ZPOSAPP_FIELD(RESP, PT_COMPANY_CODE)}, "points company code"},
    {"pt_company_name", Layout::points, {ZPOSAPP_FIELD(RESP, PT_COMPANY_NAME)}, "points company name"},
    {"pt_merchant_no", Layout::points, {ZPOSAPP_FIELD(RESP, PT_MERCHANT_NO)}, "merchant number"},
    {"pt_value1", Layout::points, {ZPOSAPP_FIELD(RESP, PT_VALUE1)}, "points value from the host"},
    {"pt_value2", Layout::points, {ZPOSAPP_FIELD(RESP, PT_VALUE2)}, "points value"},
    {"pt_value3", Layout::points, {ZPOSAPP_FIELD(RESP, PT_VALUE3)}, "points value"},
    {"pt_message", Layout::points, {ZPOSAPP_FIELD(RESP, PT_MESSAGE)}, "host message"},
    {"pt_line1", Layout::points, {ZPOSAPP_FIELD(RESP, PT_LINE1)}, "display line"},
    {"pt_line2", Layout::points, {ZPOSAPP_FIELD(RESP, PT_LINE2)}, "display line (declined replies)"},
};
// END GENERATED

// BEGIN GENERATED log lines: tables/generate.py
inline constexpr const char* kLogMeanings[] = {
    "Zelta_Send or Zelta_OKCashbag (the name) was called without a request record or a response buffer; it returns -1 at once",  // invalid_call
    "a cash approval (kind 21) with the port the POS passed, before the request is built",  // cash_auth
    "a cash cancellation (kind 21) with the port the POS passed",  // cash_cancel
    "the request message is being built for this message kind (2 card approval, 4 cancellation, 60 to 64 points ...)",  // request_built
    "the amount is above 99,999,999: nothing is sent, the call returns -10",  // amount_over_limit
    "no signature needed: the amount is 50,000 or less (and no CVM data on F1/F2)",  // no_cvm_sign
    "a signature would be needed but signature capture is off (SignSetting) or the kind is cash",  // not_sign
    "the day's first capture on an HCS pad sends the daily pad report (last report date, today)",  // pad_report
    "the signature pad is called on this serial port (GetComPort)",  // pad_port
    "pad field A as the pad returned it (three lines after each signature capture: fields A, C and B)",  // pad_field_a
    "pad field C (the amount shown on the pad)",  // pad_field_c
    "pad field B",  // pad_field_b
    "the signature pad returned: the signature's length, 2 refused, 0 nothing signed, negative failed",  // sign_length
    "the pad returned no signature: the request is refused (-10)",  // sign_zero
    "the PIN pad is asked for a PIN for this card number",  // pin_card
    "the PIN pad returned (its result, the PIN block)",  // pin_result
    "the signature/PIN pad library is not in the application directory or cannot be loaded: no signature, no PIN",  // pad_load_fail
    "the pad library has no signature function",  // pad_sign_missing
    "the pad library has no PIN function",  // pad_pin_missing
    "the secondary host address was replaced by the primary host address and port",  // connect_substituted
    "a connection to the host starts (address, port)",  // connect_info
    "the 2-second non-blocking connect ended: 0 connected, -1 not",  // connect_result
    "connected by the non-blocking attempt",  // nonblock_connected
    "the non-blocking attempt failed; one blocking attempt follows, which waits as long as the system's connect time-out",  // nonblock_failed
    "connected by the blocking attempt",  // blocking_connected
    "no connection to the host (with the system's error code): the call returns -6, resp_code COMM",  // connect_error
    "connected, but no ENQ from the host within 10 seconds: -5",  // enq_timeout
    "the link was reported ready but was not while waiting for ENQ: -5",  // enq_not_set
    "the host sent fewer than three bytes instead of its ENQ frame (or closed): -5",  // enq_short
    "the host's first frame is not ENQ: -5",  // no_enq
    "ENQ received (bytes read, 05); the request goes out next and the reply is awaited, 10 seconds a wait, a NAK before each of the three further waits",  // enq_received
    "the request frame was not sent whole: -5",  // send_error
    "a NAK was not sent: -5",  // resend_error
    "no reply after the request and three NAKs (about 40 seconds): -1, resp_code Time",  // reply_timeout
    "the link was reported ready but was not while waiting for the reply; a NAK follows",  // reply_not_set
    "the same after the third NAK: -3",  // reply_not_set_last
    "the reply's two length bytes could not be read (the host closed): -1",  // reply_length_error
    "the reply's body ended short of its length (bytes read, length announced), or the length is above 3000: -1",  // reply_body_error
    "the host sent ENQ again instead of its reply: the library waits again, without NAK and without using up a retry",  // enq_retry
    "the host answered only with short frames (not ENQ) up to the third NAK: -2",  // reply_short_frames
    "the ACK could not be sent (no open link): Zelta_Ack -5, or -12 after a management message",  // ack_send_error
    "Zelta_Ack sent the ACK and waits up to 10 seconds a frame, five frames at most, for EOT",  // ack_sent
    "the library acknowledged a reply other than 0000 itself and waits for EOT",  // auto_ack_sent
    "no frame for 10 seconds after the ACK; after Zelta_Ack the management message follows",  // eot_timeout
    "the link was reported ready but was not while waiting for EOT",  // eot_not_set
    "a read of fewer than three bytes while waiting for EOT (the host closed, or sent too little)",  // eot_short
    "EOT received for Zelta_Ack's ACK (byte, frame count, bytes read): the transaction is closed and the route reset to the primary host (VANID 1, EOT_CNT 0)",  // eot_ok
    "the fifth frame after the ACK is not EOT either: the management message follows",  // eot_error
    "a frame without EOT after the ACK; the library waits for the next",  // eot_fail
    "EOT received for the automatic acknowledgement: the decline is closed",  // auto_eot_ok
    "five frames without EOT after the automatic ACK; nothing more is done",  // auto_eot_error
    "a frame without EOT after the automatic ACK; the library waits for the next",  // auto_eot_fail
    "the management message did not get through (the exchange's own lines come before): Zelta_Ack -12",  // management_error
    "the host answered the management message and got its ACK: Zelta_Ack -13",  // management_ack_sent
    "the response code when it is not 0000: after a reply from the host on the primary route the automatic acknowledgement follows; after Time (no reply) or COMM (no connection) nothing does",  // resp_code
    "the primary host declined a cancellation: it goes to the backup route",  // to_backup
    "the backup library is not in the application directory or cannot be loaded: route back to primary; -9 while the backup request is built, -8 when it is sent",  // backup_load_fail
    "the backup library has no encryption function: route back to primary, -9",  // backup_crypt_missing
    "the backup library has no transaction function: route back to primary, -8",  // backup_data_missing
    "the card's expiry year is 99, which the backup route does not encrypt: route back to primary, -9",  // backup_no_encrypt
    "the backup library could not encrypt the track: route back to primary, -9",  // backup_encrypt_fail
    "this terminal id is not enrolled for the backup route: route back to primary, -9",  // backup_terminal
    "the amount is 100,000,000 or more, which the backup route does not take: -9, the route stays on backup",  // backup_amount
    "a declined cancellation could not be built for the backup route (its length, 0): the host's decline stands",  // backup_not_built
    "the backup library's call failed: route back to primary, -8",  // backup_call_failed
    "the backup server answered through the backup library",  // backup_answered
    "the backup server does not hold the approval being cancelled (3600 or 2000): the primary host is asked",  // backup_unknown
    "Zelta_download could not connect: -5",  // download_connect_error
    "Zelta_download could not send its request: -4",  // download_send_error
    "no answer to Zelta_download within 10 seconds: -1",  // download_timeout
    "the wait for the download answer failed: -1",  // download_select_error
    "the download answer begins with 0000",  // download_ok
};
// END GENERATED

static_assert(std::size(kLogMeanings) == std::size(library_log::kLines));

// What a line of library_log::kLines means.
inline const char* meaning_of(const library_log::Line& line) { return kLogMeanings[&line - library_log::kLines]; }

}  // namespace zpos::cli
