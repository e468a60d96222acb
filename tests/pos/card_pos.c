/* card_pos: a POS in plain C99 that names every record field through
 * zposapp_records.h and writes no offset or result value as a number. It shows
 * that an amount of "00000abcd" is refused before anything is sent, then runs a
 * card approval against the host at HOST PORT, prints the receipt fields and
 * confirms the approval with Zelta_Ack.
 *
 *     card_pos HOST PORT
 *
 * Exit status 0 when every step went as a POS expects, 1 when one did not,
 * 2 for wrong usage. The source is also valid C++, so that the header's
 * helpers can be compiled as both. Built against an installed release with
 * PACKAGE_VERSION defined (what the CMake package or the pkg-config file
 * announced), it also checks that the headers are of that release. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zposapp.h>
#include <zposapp_records.h>

static int passed = 0;
static int failed = 0;

static void expect(int ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (ok)
        ++passed;
    else
        ++failed;
}

/* A port from 1 to 65535, else 0. */
static int parse_port(const char *text)
{
    size_t length = strlen(text);
    int port;
    if (length == 0 || length > 5 || strspn(text, "0123456789") != length) return 0;
    port = atoi(text);
    return port <= 65535 ? port : 0;
}

/* One response field, as the receipt shows it. */
static void show(const char *label, const char *response, int offset, int width)
{
    char text[ZPOSAPP_RESPONSE_SIZE + 1];
    if (zposapp_get_text(response, ZPOSAPP_RESPONSE_SIZE, offset, width, text, sizeof text) >= 0)
        printf("  %-14s %s\n", label, text);
}

int main(int argc, char **argv)
{
    char request[ZPOSAPP_REQUEST_SIZE];
    char response[ZPOSAPP_RESPONSE_SIZE];
    char auth_no[ZPOSAPP_RESP_AUTH_NO_WIDTH + 1];
    int port, result;

    if (argc != 3 || (port = parse_port(argv[2])) == 0) {
        fprintf(stderr, "usage: card_pos HOST PORT (PORT a number from 1 to 65535)\n");
        return 2;
    }

#ifdef PACKAGE_VERSION
    expect(strcmp(ZPOSAPP_VERSION_STRING, PACKAGE_VERSION) == 0, "the headers are of the release the package announced");
#endif
    expect(zposapp_request_start(request, "0200", "10", "1200000001") == ZPOSAPP_FIELD_OK, "request started");
    expect(zposapp_set_number(request, ZPOSAPP_FIELD(REQ, TRAN_AMT), "00000abcd") == ZPOSAPP_FIELD_NOT_DIGITS &&
               zposapp_field_is(request, sizeof request, ZPOSAPP_FIELD(REQ, TRAN_AMT), "         "),
           "amount \"00000abcd\" refused, the field left blank");
    expect(zposapp_set_text(request, ZPOSAPP_FIELD(REQ, ENTRY_MODE), "S") == ZPOSAPP_FIELD_OK &&
               zposapp_set_text(request, ZPOSAPP_FIELD(REQ, TRACK2), "9410123456789012=2812101") == ZPOSAPP_FIELD_OK &&
               zposapp_set_number(request, ZPOSAPP_FIELD(REQ, INSTALL_MONTHS), "0") == ZPOSAPP_FIELD_OK &&
               zposapp_set_number(request, ZPOSAPP_FIELD(REQ, AMT_EXTRA1), "0") == ZPOSAPP_FIELD_OK &&
               zposapp_set_number(request, ZPOSAPP_FIELD(REQ, AMT_EXTRA2), "0") == ZPOSAPP_FIELD_OK &&
               zposapp_set_number(request, ZPOSAPP_FIELD(REQ, TRAN_AMT), "1004") == ZPOSAPP_FIELD_OK,
           "card approval of 1004 filled field by field");

    result = Zelta_Send(argv[1], port, request, response);
    printf("Zelta_Send: %d, %s\n", result, zposapp_send_result_text(result));
    expect(result == ZPOSAPP_SEND_REPLIED &&
               zposapp_field_is(response, sizeof response, ZPOSAPP_FIELD(RESP, RESP_CODE), ZPOSAPP_RESP_CODE_APPROVED),
           "approved by the host");
    show("approval no", response, ZPOSAPP_FIELD(RESP, AUTH_NO));
    show("date and time", response, ZPOSAPP_FIELD(RESP, TRAN_DATETIME));
    show("issuer", response, ZPOSAPP_FIELD(RESP, ISSUER_CODE));
    show("merchant no", response, ZPOSAPP_FIELD(RESP, MERCHANT_NO));
    show("amount", response, ZPOSAPP_FIELD(RESP, TRAN_AMT));
    expect(zposapp_get_text(response, sizeof response, ZPOSAPP_FIELD(RESP, AUTH_NO), auth_no, sizeof auth_no) > 0,
           "the receipt carries an approval number");

    result = Zelta_Ack();
    printf("Zelta_Ack: %d, %s\n", result, zposapp_ack_result_text(result));
    expect(result == ZPOSAPP_ACK_CLOSED, "the host closed the transaction");

    printf("card_pos: %d of %d checks passed\n", passed, passed + failed);
    return failed == 0 ? 0 : 1;
}
