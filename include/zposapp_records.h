/* ZPosApp records: every field of the request and response records by name,
 * the values of resp_code, the results of each export with a short text, and
 * small helpers that fill a request record and read a response without ever
 * cutting a value or accepting a malformed one.
 *
 * C99 and clean C++. Nothing here is exported by the library: the helpers are
 * static inline, compiled into the POS. The generated blocks come from the
 * tables of the ZPosApp sources (tables/); they are not edited by hand.
 *
 *     char request[ZPOSAPP_REQUEST_SIZE], response[ZPOSAPP_RESPONSE_SIZE];
 *     zposapp_request_start(request, "0200", "10", "1200000001");
 *     zposapp_set_text(request, ZPOSAPP_FIELD(REQ, TRACK2), "9410123456789012=2812101");
 *     if (zposapp_set_number(request, ZPOSAPP_FIELD(REQ, TRAN_AMT), amount) != ZPOSAPP_FIELD_OK)
 *         ...the amount is not a number that fits: nothing is sent...
 *     if (Zelta_Send("127.0.0.1", 10902, request, response) == ZPOSAPP_SEND_REPLIED &&
 *         zposapp_field_is(response, sizeof response, ZPOSAPP_FIELD(RESP, RESP_CODE), ZPOSAPP_RESP_CODE_APPROVED))
 *         ...print the receipt, then Zelta_Ack()... */
#ifndef ZPOSAPP_RECORDS_H
#define ZPOSAPP_RECORDS_H

#include <stddef.h>
#include <string.h>

#include "zposapp.h"

/* A field as the two arguments the helpers take: ZPOSAPP_FIELD(REQ, TRAN_AMT)
 * is ZPOSAPP_REQ_TRAN_AMT_OFFSET, ZPOSAPP_REQ_TRAN_AMT_WIDTH. */
#define ZPOSAPP_FIELD(RECORD, NAME) ZPOSAPP_##RECORD##_##NAME##_OFFSET, ZPOSAPP_##RECORD##_##NAME##_WIDTH

/* BEGIN GENERATED record fields: tables/generate.py */
/* Request record, 240 bytes. */
/* Common head */
#define ZPOSAPP_REQ_REC_LEN_OFFSET                 0 /* four characters, not read */
#define ZPOSAPP_REQ_REC_LEN_WIDTH                  4
#define ZPOSAPP_REQ_POS_ECHO_OFFSET                4 /* free for the POS; copied to the response */
#define ZPOSAPP_REQ_POS_ECHO_WIDTH                23
#define ZPOSAPP_REQ_MSG_TYPE_OFFSET               27 /* 0200 approval or inquiry, 0420 cancellation; its second character (2 or 4) picks the response type */
#define ZPOSAPP_REQ_MSG_TYPE_WIDTH                 4
#define ZPOSAPP_REQ_TRAN_KIND_OFFSET              31 /* transaction kind (see the transaction kinds) */
#define ZPOSAPP_REQ_TRAN_KIND_WIDTH                2
#define ZPOSAPP_REQ_KIND_ECHO_OFFSET              33 /* not read; copied to the response */
#define ZPOSAPP_REQ_KIND_ECHO_WIDTH                2
#define ZPOSAPP_REQ_TERM_ID_OFFSET                45 /* terminal id */
#define ZPOSAPP_REQ_TERM_ID_WIDTH                 10
/* Card layout */
#define ZPOSAPP_REQ_ENTRY_MODE_OFFSET             55 /* @ card number keyed in, anything else card read */
#define ZPOSAPP_REQ_ENTRY_MODE_WIDTH               1
#define ZPOSAPP_REQ_CARD_DATA_OFFSET              56 /* card data area, copied whole to the response (its first two bytes are not read) */
#define ZPOSAPP_REQ_CARD_DATA_WIDTH               39
#define ZPOSAPP_REQ_TRACK2_OFFSET                 58 /* inside card_data: track-2 image; keyed: card number, =, expiry YYMM; cash: the identity number */
#define ZPOSAPP_REQ_TRACK2_WIDTH                  37
#define ZPOSAPP_REQ_INSTALL_MONTHS_OFFSET         95 /* instalment months, two digits */
#define ZPOSAPP_REQ_INSTALL_MONTHS_WIDTH           2
#define ZPOSAPP_REQ_AMT_EXTRA1_OFFSET             97 /* amount included in tran_amt and sent on its own */
#define ZPOSAPP_REQ_AMT_EXTRA1_WIDTH               9
#define ZPOSAPP_REQ_AMT_EXTRA2_OFFSET            106 /* amount included in tran_amt and sent on its own */
#define ZPOSAPP_REQ_AMT_EXTRA2_WIDTH               9
#define ZPOSAPP_REQ_TRAN_AMT_OFFSET              115 /* total amount; card and cash requests carry tran_amt - amt_extra1 - amt_extra2 */
#define ZPOSAPP_REQ_TRAN_AMT_WIDTH                 9
#define ZPOSAPP_REQ_ORG_AUTH_NO_OFFSET           124 /* cancellations: approval number being cancelled */
#define ZPOSAPP_REQ_ORG_AUTH_NO_WIDTH              8
#define ZPOSAPP_REQ_ORG_AUTH_DATE_OFFSET         132 /* cancellations: date being cancelled, YYMMDD */
#define ZPOSAPP_REQ_ORG_AUTH_DATE_WIDTH            6
#define ZPOSAPP_REQ_EXT_TF_OFFSET                160 /* extra block, sent when it begins with TF */
#define ZPOSAPP_REQ_EXT_TF_WIDTH                  10
#define ZPOSAPP_REQ_EXT_PA_OFFSET                170 /* extra block, sent when its first byte is a letter */
#define ZPOSAPP_REQ_EXT_PA_WIDTH                   3
#define ZPOSAPP_REQ_CVM_DATA_OFFSET              173 /* F1/F2: a first byte other than blank or zero asks for a signature at any amount */
#define ZPOSAPP_REQ_CVM_DATA_WIDTH                16
/* Cheque layout */
#define ZPOSAPP_REQ_CHK_CODE_OFFSET               58 /* sent as it stands */
#define ZPOSAPP_REQ_CHK_CODE_WIDTH                 2
#define ZPOSAPP_REQ_CHK_NUMBER_OFFSET             60 /* sent as it stands */
#define ZPOSAPP_REQ_CHK_NUMBER_WIDTH              20
#define ZPOSAPP_REQ_CHK_NUMBER_TAIL_OFFSET        74 /* last six of chk_number, also sent on their own */
#define ZPOSAPP_REQ_CHK_NUMBER_TAIL_WIDTH          6
#define ZPOSAPP_REQ_CHK_ACCOUNT_OFFSET            80 /* sent as it stands */
#define ZPOSAPP_REQ_CHK_ACCOUNT_WIDTH             13
#define ZPOSAPP_REQ_CHK_AMOUNT_OFFSET             93 /* cheque amount, nine digits */
#define ZPOSAPP_REQ_CHK_AMOUNT_WIDTH               9
/* Points layout */
#define ZPOSAPP_REQ_PT_MEDIA_OFFSET               55 /* points medium: 01, 02, 03, 04 */
#define ZPOSAPP_REQ_PT_MEDIA_WIDTH                 2
#define ZPOSAPP_REQ_PT_SUB_OFFSET                 57 /* points operation: 01, 02, 03, 11, 12 (11, 12 cancel) */
#define ZPOSAPP_REQ_PT_SUB_WIDTH                   2
#define ZPOSAPP_REQ_PT_CARD_DATA_OFFSET           74 /* points card data area, copied whole to the response */
#define ZPOSAPP_REQ_PT_CARD_DATA_WIDTH            39
#define ZPOSAPP_REQ_PT_TRACK2_OFFSET              76 /* inside pt_card_data: the points card track-2 image */
#define ZPOSAPP_REQ_PT_TRACK2_WIDTH               37
#define ZPOSAPP_REQ_PT_AMT_OFFSET                114 /* amount */
#define ZPOSAPP_REQ_PT_AMT_WIDTH                   9
#define ZPOSAPP_REQ_PT_ORG_AUTH_NO_OFFSET        139 /* 11 and 12: approval number being cancelled */
#define ZPOSAPP_REQ_PT_ORG_AUTH_NO_WIDTH          12
#define ZPOSAPP_REQ_PT_ORG_AUTH_DATE_OFFSET      151 /* 11 and 12: date being cancelled, YYMMDD */
#define ZPOSAPP_REQ_PT_ORG_AUTH_DATE_WIDTH         6

/* Response record, 450 bytes. */
/* Common head */
#define ZPOSAPP_RESP_REC_LEN_OFFSET                0 /* 0450 */
#define ZPOSAPP_RESP_REC_LEN_WIDTH                 4
#define ZPOSAPP_RESP_POS_ECHO_OFFSET               4 /* the request's pos_echo */
#define ZPOSAPP_RESP_POS_ECHO_WIDTH               23
#define ZPOSAPP_RESP_MSG_TYPE_OFFSET              27 /* 0210 for a request type with 2 as its second character, 0430 for 4 */
#define ZPOSAPP_RESP_MSG_TYPE_WIDTH                4
#define ZPOSAPP_RESP_TRAN_KIND_OFFSET             31 /* from the request */
#define ZPOSAPP_RESP_TRAN_KIND_WIDTH               2
#define ZPOSAPP_RESP_KIND_ECHO_OFFSET             33 /* from the request */
#define ZPOSAPP_RESP_KIND_ECHO_WIDTH               2
#define ZPOSAPP_RESP_HEAD_BLANK_OFFSET            35 /* ten blanks */
#define ZPOSAPP_RESP_HEAD_BLANK_WIDTH             10
#define ZPOSAPP_RESP_TERM_ID_OFFSET               45 /* from the request */
#define ZPOSAPP_RESP_TERM_ID_WIDTH                10
#define ZPOSAPP_RESP_RESP_CODE_OFFSET             55 /* result code (see the response codes) */
#define ZPOSAPP_RESP_RESP_CODE_WIDTH               4
/* Card layout */
#define ZPOSAPP_RESP_ENTRY_MODE_OFFSET            59 /* from the request */
#define ZPOSAPP_RESP_ENTRY_MODE_WIDTH              1
#define ZPOSAPP_RESP_CARD_DATA_OFFSET             60 /* the request's card_data */
#define ZPOSAPP_RESP_CARD_DATA_WIDTH              39
#define ZPOSAPP_RESP_INSTALL_MONTHS_OFFSET        99 /* from the request */
#define ZPOSAPP_RESP_INSTALL_MONTHS_WIDTH          2
#define ZPOSAPP_RESP_AMT_EXTRA1_OFFSET           101 /* from the request */
#define ZPOSAPP_RESP_AMT_EXTRA1_WIDTH              9
#define ZPOSAPP_RESP_AMT_EXTRA2_OFFSET           110 /* from the request */
#define ZPOSAPP_RESP_AMT_EXTRA2_WIDTH              9
#define ZPOSAPP_RESP_TRAN_AMT_OFFSET             119 /* from the request */
#define ZPOSAPP_RESP_TRAN_AMT_WIDTH                9
#define ZPOSAPP_RESP_ISSUER_CODE_OFFSET          167 /* card issuer code (two characters) */
#define ZPOSAPP_RESP_ISSUER_CODE_WIDTH             2
#define ZPOSAPP_RESP_ISSUER_NAME_OFFSET          169 /* card issuer name */
#define ZPOSAPP_RESP_ISSUER_NAME_WIDTH            20
#define ZPOSAPP_RESP_ACQUIRER_CODE_OFFSET        189 /* acquirer code */
#define ZPOSAPP_RESP_ACQUIRER_CODE_WIDTH           2
#define ZPOSAPP_RESP_ACQUIRER_NAME_OFFSET        191 /* acquirer name */
#define ZPOSAPP_RESP_ACQUIRER_NAME_WIDTH          20
#define ZPOSAPP_RESP_MERCHANT_NO_OFFSET          211 /* merchant number at the acquirer */
#define ZPOSAPP_RESP_MERCHANT_NO_WIDTH            15
#define ZPOSAPP_RESP_TRAN_DATETIME_OFFSET        226 /* host date and time, YYMMDDhhmmss */
#define ZPOSAPP_RESP_TRAN_DATETIME_WIDTH          12
#define ZPOSAPP_RESP_AUTH_NO_OFFSET              238 /* approval number (approvals only) */
#define ZPOSAPP_RESP_AUTH_NO_WIDTH                12
#define ZPOSAPP_RESP_CARD_CLASS_OFFSET           262 /* 1 for a card the host marks D */
#define ZPOSAPP_RESP_CARD_CLASS_WIDTH              1
#define ZPOSAPP_RESP_MESSAGE_OFFSET              263 /* host message; a decline shows "line 1, line 2"; the library's refusal texts 망상취소불가 and 잔액조회불가 go here too */
#define ZPOSAPP_RESP_MESSAGE_WIDTH                40
#define ZPOSAPP_RESP_INFO_LINE1_OFFSET           303 /* display line from the host */
#define ZPOSAPP_RESP_INFO_LINE1_WIDTH             24
#define ZPOSAPP_RESP_INFO_LINE2_OFFSET           327 /* display line */
#define ZPOSAPP_RESP_INFO_LINE2_WIDTH             24
#define ZPOSAPP_RESP_INFO_LINE3_OFFSET           351 /* display line */
#define ZPOSAPP_RESP_INFO_LINE3_WIDTH             24
#define ZPOSAPP_RESP_VALUE1_OFFSET               375 /* amount-type value from the host */
#define ZPOSAPP_RESP_VALUE1_WIDTH                  9
#define ZPOSAPP_RESP_VALUE2_OFFSET               384 /* amount-type value */
#define ZPOSAPP_RESP_VALUE2_WIDTH                  9
#define ZPOSAPP_RESP_VALUE3_OFFSET               393 /* amount-type value */
#define ZPOSAPP_RESP_VALUE3_WIDTH                  9
#define ZPOSAPP_RESP_SIGN_FLAG_OFFSET            402 /* YES when a signature was captured, NONE otherwise */
#define ZPOSAPP_RESP_SIGN_FLAG_WIDTH               4
/* Cheque layout */
#define ZPOSAPP_RESP_CHK_BLANK_OFFSET             59 /* eight blanks */
#define ZPOSAPP_RESP_CHK_BLANK_WIDTH               8
#define ZPOSAPP_RESP_CHK_MESSAGE_OFFSET           67 /* 정상수표 for a valid cheque, else the host's two message lines "line 1, line 2" */
#define ZPOSAPP_RESP_CHK_MESSAGE_WIDTH            34
/* Points layout */
#define ZPOSAPP_RESP_PT_MEDIA_OFFSET              59 /* from the request */
#define ZPOSAPP_RESP_PT_MEDIA_WIDTH                2
#define ZPOSAPP_RESP_PT_SUB_OFFSET                61 /* from the request */
#define ZPOSAPP_RESP_PT_SUB_WIDTH                  2
#define ZPOSAPP_RESP_PT_DATE_OFFSET               63 /* host date YYYYMMDD */
#define ZPOSAPP_RESP_PT_DATE_WIDTH                 8
#define ZPOSAPP_RESP_PT_TIME_OFFSET               71 /* host time hhmmss */
#define ZPOSAPP_RESP_PT_TIME_WIDTH                 6
#define ZPOSAPP_RESP_PT_CARD_DATA_OFFSET          78 /* the request's pt_card_data */
#define ZPOSAPP_RESP_PT_CARD_DATA_WIDTH           39
#define ZPOSAPP_RESP_PT_AMT_OFFSET               118 /* the request's pt_amt */
#define ZPOSAPP_RESP_PT_AMT_WIDTH                  9
#define ZPOSAPP_RESP_PT_AUTH_NO_OFFSET           143 /* approval number (approvals only) */
#define ZPOSAPP_RESP_PT_AUTH_NO_WIDTH             12
#define ZPOSAPP_RESP_PT_COMPANY_CODE_OFFSET      158 /* points company code */
#define ZPOSAPP_RESP_PT_COMPANY_CODE_WIDTH         2
#define ZPOSAPP_RESP_PT_COMPANY_NAME_OFFSET      160 /* points company name */
#define ZPOSAPP_RESP_PT_COMPANY_NAME_WIDTH        20
#define ZPOSAPP_RESP_PT_MERCHANT_NO_OFFSET       180 /* merchant number */
#define ZPOSAPP_RESP_PT_MERCHANT_NO_WIDTH         15
#define ZPOSAPP_RESP_PT_VALUE1_OFFSET            195 /* points value from the host */
#define ZPOSAPP_RESP_PT_VALUE1_WIDTH               9
#define ZPOSAPP_RESP_PT_VALUE2_OFFSET            204 /* points value */
#define ZPOSAPP_RESP_PT_VALUE2_WIDTH               9
#define ZPOSAPP_RESP_PT_VALUE3_OFFSET            213 /* points value */
#define ZPOSAPP_RESP_PT_VALUE3_WIDTH               9
#define ZPOSAPP_RESP_PT_MESSAGE_OFFSET           222 /* host message */
#define ZPOSAPP_RESP_PT_MESSAGE_WIDTH             40
#define ZPOSAPP_RESP_PT_LINE1_OFFSET             262 /* display line */
#define ZPOSAPP_RESP_PT_LINE1_WIDTH               24
#define ZPOSAPP_RESP_PT_LINE2_OFFSET             286 /* display line (declined replies) */
#define ZPOSAPP_RESP_PT_LINE2_WIDTH               24
/* END GENERATED */

/* Values of resp_code. */
/* BEGIN GENERATED response codes: tables/generate.py */
#define ZPOSAPP_RESP_CODE_APPROVED           "0000" /* approved; cheque: a valid cheque */
#define ZPOSAPP_RESP_CODE_DECLINED           "8324" /* declined by the host; the reason is in message */
#define ZPOSAPP_RESP_CODE_CHEQUE_INVALID     "1111" /* cheque inquiry: not a valid cheque */
#define ZPOSAPP_RESP_CODE_TIMEOUT            "Time" /* no reply from the host in time */
#define ZPOSAPP_RESP_CODE_REFUSED            "NOTX" /* refused by the library, nothing sent */
#define ZPOSAPP_RESP_CODE_NO_CONNECTION      "COMM" /* no connection to the host */
#define ZPOSAPP_RESP_CODE_NONE               "    " /* no reply for another reason (four blanks); the function result tells why */
/* END GENERATED */

/* BEGIN GENERATED results: tables/generate.py */
/* The exports, as zposapp_result_text names them (Zelta_OKCashbag shares Zelta_Send's results). */
#define ZPOSAPP_EXPORT_SEND     1 /* Zelta_Send */
#define ZPOSAPP_EXPORT_ACK      2 /* Zelta_Ack */
#define ZPOSAPP_EXPORT_DOWNLOAD 3 /* Zelta_download */

/* Results of Zelta_Send. */
#define ZPOSAPP_SEND_REPLIED                     1 /* the host replied; resp_code tells approved or declined */
#define ZPOSAPP_SEND_FAILED                   (-1) /* refused by the library (NOTX), no reply in time (Time) or a broken reply */
#define ZPOSAPP_SEND_SHORT_FRAME              (-2) /* the host answered with a short frame */
#define ZPOSAPP_SEND_NOT_READABLE             (-3) /* the link was not readable */
#define ZPOSAPP_SEND_NO_ENQ                   (-5) /* no ENQ from the host, or the request was not sent */
#define ZPOSAPP_SEND_NO_CONNECTION            (-6) /* no connection to the host (COMM) */
#define ZPOSAPP_SEND_BACKUP_UNUSABLE          (-8) /* the backup library is unusable */
#define ZPOSAPP_SEND_BACKUP_NOT_BUILT         (-9) /* the backup request could not be built */
#define ZPOSAPP_SEND_NOT_BUILT               (-10) /* the request could not be built (amount over the limit, or the pad refused) */

/* Results of Zelta_Ack. */
#define ZPOSAPP_ACK_CLOSED                       1 /* the host closed the transaction (or the backup route is in use) */
#define ZPOSAPP_ACK_NOT_SENT                  (-5) /* the ACK was not sent (no open link) */
#define ZPOSAPP_ACK_MANAGEMENT_FAILED        (-12) /* no close from the host, and the management message failed */
#define ZPOSAPP_ACK_MANAGEMENT_SENT          (-13) /* no close from the host; the management message reported the transaction */

/* Results of Zelta_download. */
#define ZPOSAPP_DOWNLOAD_NO_ANSWER            (-1) /* no answer in time */
#define ZPOSAPP_DOWNLOAD_NOT_SENT             (-4) /* the request was not sent */
#define ZPOSAPP_DOWNLOAD_NO_CONNECTION        (-5) /* no connection to the server */

/* A short English text for `result` of the export `which` (ZPOSAPP_EXPORT_...). */
static inline const char *zposapp_result_text(int which, int result)
{
    static const struct { int which, result; const char *text; } rows[] = {
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_REPLIED, "the host replied; resp_code tells approved or declined"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_FAILED, "refused by the library (NOTX), no reply in time (Time) or a broken reply"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_SHORT_FRAME, "the host answered with a short frame"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_NOT_READABLE, "the link was not readable"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_NO_ENQ, "no ENQ from the host, or the request was not sent"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_NO_CONNECTION, "no connection to the host (COMM)"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_BACKUP_UNUSABLE, "the backup library is unusable"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_BACKUP_NOT_BUILT, "the backup request could not be built"},
        {ZPOSAPP_EXPORT_SEND, ZPOSAPP_SEND_NOT_BUILT, "the request could not be built (amount over the limit, or the pad refused)"},
        {ZPOSAPP_EXPORT_ACK, ZPOSAPP_ACK_CLOSED, "the host closed the transaction (or the backup route is in use)"},
        {ZPOSAPP_EXPORT_ACK, ZPOSAPP_ACK_NOT_SENT, "the ACK was not sent (no open link)"},
        {ZPOSAPP_EXPORT_ACK, ZPOSAPP_ACK_MANAGEMENT_FAILED, "no close from the host, and the management message failed"},
        {ZPOSAPP_EXPORT_ACK, ZPOSAPP_ACK_MANAGEMENT_SENT, "no close from the host; the management message reported the transaction"},
        {ZPOSAPP_EXPORT_DOWNLOAD, ZPOSAPP_DOWNLOAD_NO_ANSWER, "no answer in time"},
        {ZPOSAPP_EXPORT_DOWNLOAD, ZPOSAPP_DOWNLOAD_NOT_SENT, "the request was not sent"},
        {ZPOSAPP_EXPORT_DOWNLOAD, ZPOSAPP_DOWNLOAD_NO_CONNECTION, "no connection to the server"},
    };
    size_t i;
    for (i = 0; i < sizeof rows / sizeof rows[0]; ++i)
        if (rows[i].which == which && rows[i].result == result) return rows[i].text;
    return which == ZPOSAPP_EXPORT_DOWNLOAD && result > 0 ? "bytes received" : "unknown result";
}
/* END GENERATED */

static inline const char *zposapp_send_result_text(int result) { return zposapp_result_text(ZPOSAPP_EXPORT_SEND, result); }
static inline const char *zposapp_ack_result_text(int result) { return zposapp_result_text(ZPOSAPP_EXPORT_ACK, result); }
static inline const char *zposapp_download_result_text(int result)
{
    return zposapp_result_text(ZPOSAPP_EXPORT_DOWNLOAD, result);
}

/* Results of the helpers below. */
#define ZPOSAPP_FIELD_OK 0
#define ZPOSAPP_FIELD_TOO_LONG (-1)     /* the value does not fit the field; nothing was written */
#define ZPOSAPP_FIELD_NOT_DIGITS (-2)   /* a number field was given something other than digits */
#define ZPOSAPP_FIELD_BAD_ARGUMENT (-3) /* a null pointer, a field outside the record, or no room */

/* The helpers' conversions, spelled so that a C++ POS built with
 * -Wold-style-cast or -Wsign-conversion sees no warning from this header. */
#ifdef __cplusplus
#define ZPOSAPP_SIZE_(value) static_cast<size_t>(value)
#define ZPOSAPP_INT_(value) static_cast<int>(value)
#else
#define ZPOSAPP_SIZE_(value) ((size_t)(value))
#define ZPOSAPP_INT_(value) ((int)(value))
#endif

/* True when `offset` and `width` name bytes inside a record of `size` bytes,
 * compared without a sum that could overflow. */
static inline int zposapp_field_fits(int offset, int width, size_t size)
{
    return offset >= 0 && width > 0 && ZPOSAPP_SIZE_(offset) <= size &&
           ZPOSAPP_SIZE_(width) <= size - ZPOSAPP_SIZE_(offset);
}

/* Sets a text field of a request record: the text, then blanks to the field's
 * width. A longer text is refused, not cut. Only request fields are accepted:
 * a response field, named by mistake, could lie past the 240 bytes. */
static inline int zposapp_set_text(char *request, int offset, int width, const char *text)
{
    size_t length;
    if (!request || !text || !zposapp_field_fits(offset, width, ZPOSAPP_REQUEST_SIZE))
        return ZPOSAPP_FIELD_BAD_ARGUMENT;
    length = strlen(text);
    if (length > ZPOSAPP_SIZE_(width)) return ZPOSAPP_FIELD_TOO_LONG;
    memcpy(request + offset, text, length);
    memset(request + offset + length, ' ', ZPOSAPP_SIZE_(width) - length);
    return ZPOSAPP_FIELD_OK;
}

/* Sets a number field of a request record from decimal digits: right-aligned,
 * zeros in front ("30000" in a nine-character field is "000030000"). Anything
 * but 1 to `width` digits is refused, so "00000abcd" never reaches the host
 * as 0. */
static inline int zposapp_set_number(char *request, int offset, int width, const char *digits)
{
    size_t length, i;
    if (!request || !digits || !zposapp_field_fits(offset, width, ZPOSAPP_REQUEST_SIZE))
        return ZPOSAPP_FIELD_BAD_ARGUMENT;
    length = strlen(digits);
    if (length == 0) return ZPOSAPP_FIELD_NOT_DIGITS;
    for (i = 0; i < length; ++i)
        if (digits[i] < '0' || digits[i] > '9') return ZPOSAPP_FIELD_NOT_DIGITS;
    if (length > ZPOSAPP_SIZE_(width)) return ZPOSAPP_FIELD_TOO_LONG;
    memset(request + offset, '0', ZPOSAPP_SIZE_(width) - length);
    memcpy(request + offset + (ZPOSAPP_SIZE_(width) - length), digits, length);
    return ZPOSAPP_FIELD_OK;
}

/* Starts a request record: 240 blanks, rec_len "0240", the message type
 * ("0200" or "0420"), the transaction kind ("10", "40", ...) and the terminal
 * id (at most 10 characters). A refused start leaves the record as it was. */
static inline int zposapp_request_start(char *request, const char *msg_type, const char *tran_kind,
                                        const char *term_id)
{
    if (!request || !msg_type || !tran_kind || !term_id) return ZPOSAPP_FIELD_BAD_ARGUMENT;
    if (strlen(msg_type) != ZPOSAPP_REQ_MSG_TYPE_WIDTH || strlen(tran_kind) != ZPOSAPP_REQ_TRAN_KIND_WIDTH)
        return ZPOSAPP_FIELD_BAD_ARGUMENT;
    if (strlen(term_id) > ZPOSAPP_REQ_TERM_ID_WIDTH) return ZPOSAPP_FIELD_TOO_LONG;
    memset(request, ' ', ZPOSAPP_REQUEST_SIZE);
    /* Every value was measured above, so none of these can be refused. */
    (void)zposapp_set_number(request, ZPOSAPP_FIELD(REQ, REC_LEN), "240");
    (void)zposapp_set_text(request, ZPOSAPP_FIELD(REQ, MSG_TYPE), msg_type);
    (void)zposapp_set_text(request, ZPOSAPP_FIELD(REQ, TRAN_KIND), tran_kind);
    (void)zposapp_set_text(request, ZPOSAPP_FIELD(REQ, TERM_ID), term_id);
    return ZPOSAPP_FIELD_OK;
}

/* Reads a field of a record of `record_size` bytes (ZPOSAPP_REQUEST_SIZE or
 * ZPOSAPP_RESPONSE_SIZE, or sizeof the array) into `out` (`out_size` bytes, at
 * least width + 1): its text up to a zero byte, without the blanks that fill
 * it, NUL-terminated. Returns the text's length, or ZPOSAPP_FIELD_BAD_ARGUMENT,
 * also for a field that does not lie wholly inside the record: a response
 * field named on a request would reach past its 240 bytes. Korean texts stay
 * CP949. */
static inline int zposapp_get_text(const char *record, size_t record_size, int offset, int width, char *out,
                                   size_t out_size)
{
    const char *field;
    size_t length = 0;
    if (!record || !out || !zposapp_field_fits(offset, width, record_size) ||
        out_size <= ZPOSAPP_SIZE_(width))
        return ZPOSAPP_FIELD_BAD_ARGUMENT;
    field = record + offset;
    while (length < ZPOSAPP_SIZE_(width) && field[length] != '\0') ++length;
    while (length > 0 && field[length - 1] == ' ') --length;
    memcpy(out, field, length);
    out[length] = '\0';
    return ZPOSAPP_INT_(length);
}

/* True when the field of a record of `record_size` bytes holds exactly
 * `value` (resp_code against ZPOSAPP_RESP_CODE_APPROVED, for example); false
 * too for a field that does not lie wholly inside the record. */
static inline int zposapp_field_is(const char *record, size_t record_size, int offset, int width, const char *value)
{
    if (!record || !value || !zposapp_field_fits(offset, width, record_size) ||
        strlen(value) != ZPOSAPP_SIZE_(width))
        return 0;
    return memcmp(record + offset, value, ZPOSAPP_SIZE_(width)) == 0;
}

#endif /* ZPOSAPP_RECORDS_H */
