/* ZPosApp records: every field of the request and response records by name,
 * the values of resp_code, the results of each export with a short text, and
 * small helpers that fill a request record and read a response without ever
 * cutting a value or accepting a malformed one.
 *
 * C99 and clean C++. Nothing here is exported by the library: the helpers are
 * static inline, compiled into the POS. The fields' offsets and widths, the
 * values of resp_code and the results are in zposapp_tables.h, written from
 * the tables of the ZPosApp sources (tables/) and included here.
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
#include "zposapp_tables.h"

/* A field as the two arguments the helpers take: ZPOSAPP_FIELD(REQ, TRAN_AMT)
 * is ZPOSAPP_REQ_TRAN_AMT_OFFSET, ZPOSAPP_REQ_TRAN_AMT_WIDTH. */
#define ZPOSAPP_FIELD(RECORD, NAME) ZPOSAPP_##RECORD##_##NAME##_OFFSET, ZPOSAPP_##RECORD##_##NAME##_WIDTH

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
