/* card_pos HOST PORT: a POS in plain C99 (and valid C++) that names every
 * record field through zposapp_records.h: a refused amount, then a card
 * approval and its Zelta_Ack. Exit status 0 when every step went as a POS
 * expects, 1 when one did not, 2 for wrong usage. With PACKAGE_VERSION (what
 * an installed release announced) it checks the headers are of that release. */
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

int main(int argc, char **argv)
{
    char request[ZPOSAPP_REQUEST_SIZE];
    char response[ZPOSAPP_RESPONSE_SIZE];
    char auth_no[ZPOSAPP_RESP_AUTH_NO_WIDTH + 1];
    int port, result;

    if (argc != 3 || (port = atoi(argv[2])) <= 0 || port > 65535) {
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
    expect(zposapp_get_text(response, sizeof response, ZPOSAPP_FIELD(RESP, AUTH_NO), auth_no, sizeof auth_no) > 0,
           "the receipt carries an approval number");

    result = Zelta_Ack();
    printf("Zelta_Ack: %d, %s\n", result, zposapp_ack_result_text(result));
    expect(result == ZPOSAPP_ACK_CLOSED, "the host closed the transaction");

    printf("card_pos: %d of %d checks passed\n", passed, passed + failed);
    return failed == 0 ? 0 : 1;
}
