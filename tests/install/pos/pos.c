/* A POS built against an installed ZPosApp the way a POS vendor builds one:
 * one card approval of 1004 and its acknowledgement with the host at
 * 127.0.0.1:PORT. PACKAGE_VERSION is the release the CMake package or the
 * pkg-config file announced at build time; the header must agree with it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zposapp.h>

static void put(char* record, int offset, const char* text) { memcpy(record + offset, text, strlen(text)); }

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: pos PORT\n");
        return 2;
    }
    char version[32];
    snprintf(version, sizeof version, "%d.%d.%d", ZPOSAPP_VERSION_MAJOR, ZPOSAPP_VERSION_MINOR,
             ZPOSAPP_VERSION_PATCH);
    if (strcmp(version, ZPOSAPP_VERSION_STRING) != 0 || strcmp(version, PACKAGE_VERSION) != 0) {
        fprintf(stderr, "pos: header %s (%s), package %s\n", ZPOSAPP_VERSION_STRING, version, PACKAGE_VERSION);
        return 1;
    }

    char request[ZPOSAPP_REQUEST_SIZE];
    char response[ZPOSAPP_RESPONSE_SIZE];
    memset(request, ' ', sizeof request);
    put(request, 0, "0240");
    put(request, 27, "0200");                     /* approval */
    put(request, 31, "10");                       /* credit card */
    put(request, 45, "1200000001");               /* terminal id */
    put(request, 55, "S");                        /* card read, not keyed */
    put(request, 58, "9410123456789012=2812101"); /* track 2 */
    put(request, 95, "00");                       /* no instalments */
    put(request, 97, "000000000000000000");       /* no extra amounts */
    put(request, 115, "000001004");               /* amount */
    int sent = Zelta_Send("127.0.0.1", atoi(argv[1]), request, response);
    printf("Zelta_Send %d, resp_code %.4s, auth_no %.12s\n", sent, response + 55, response + 238);
    if (sent != 1 || memcmp(response + 55, "0000", 4) != 0 || memcmp(response + 238, "12345678    ", 12) != 0)
        return 1;
    int acked = Zelta_Ack();
    printf("Zelta_Ack %d\n", acked);
    return acked == 1 ? 0 : 1;
}
