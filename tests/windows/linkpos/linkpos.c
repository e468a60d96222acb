/* linkpos HOST_PORT DOWNLOAD_PORT: the smallest POS linking ZPosApp through
 * its import library, calling the four functions as zposapp.h declares them.
 * Only kernel32, declared by hand, so that it builds with MinGW and with MSVC
 * conventions without a C runtime (entry point linkpos_start). */
#include <zposapp.h>
#include <zposapp_records.h>

typedef void* Handle;
__declspec(dllimport) Handle __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(Handle file, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) char* __stdcall GetCommandLineA(void);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

#define STD_OUTPUT ((unsigned long)-11)

static char request[ZPOSAPP_REQUEST_SIZE];
static char response[ZPOSAPP_RESPONSE_SIZE];
static char answer[ZPOSAPP_DOWNLOAD_ANSWER_SIZE];
static const char* const code = response + ZPOSAPP_RESP_RESP_CODE_OFFSET;
static int failures;

static int length(const char* text) {
    int n = 0;
    while (text[n]) ++n;
    return n;
}

static void say(const char* text) {
    unsigned long written;
    WriteFile(GetStdHandle(STD_OUTPUT), text, (unsigned long)length(text), &written, 0);
}

static void say_number(int n) {
    char text[16];
    int at = 15;
    unsigned int u = n < 0 ? 0u - (unsigned int)n : (unsigned int)n;
    text[at] = '\0';
    do {
        text[--at] = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    if (n < 0) text[--at] = '-';
    say(text + at);
}

static int same(const char* bytes, const char* text) {
    int i;
    for (i = 0; text[i]; ++i)
        if (bytes[i] != text[i]) return 0;
    return 1;
}

/* "ok" or "FAIL", the call, its result and the four characters at `code`. */
static void report(int good, const char* call, int result, const char* code) {
    if (!good) ++failures;
    say(good ? "ok   " : "FAIL ");
    say(call);
    say(": ");
    say_number(result);
    if (code) {
        char text[8] = {' ', '[', code[0], code[1], code[2], code[3], ']', '\0'};
        say(text);
    }
    say("\r\n");
}

static void put(int offset, const char* text) {
    int i;
    for (i = 0; text[i]; ++i) request[offset + i] = text[i];
}

/* A card approval request: blanks, then the fields the host and library read. */
static void card_request(const char* kind) {
    int i;
    for (i = 0; i < ZPOSAPP_REQUEST_SIZE; ++i) request[i] = ' ';
    put(ZPOSAPP_REQ_REC_LEN_OFFSET, "0240");
    put(ZPOSAPP_REQ_MSG_TYPE_OFFSET, "0200");
    put(ZPOSAPP_REQ_TRAN_KIND_OFFSET, kind);
    put(ZPOSAPP_REQ_TERM_ID_OFFSET, "1200000001");
    put(ZPOSAPP_REQ_ENTRY_MODE_OFFSET, "S");
    put(ZPOSAPP_REQ_TRACK2_OFFSET, "9410123456789012=2812101");
    put(ZPOSAPP_REQ_INSTALL_MONTHS_OFFSET, "00");
    put(ZPOSAPP_REQ_AMT_EXTRA1_OFFSET, "000000000");
    put(ZPOSAPP_REQ_AMT_EXTRA2_OFFSET, "000000000");
    put(ZPOSAPP_REQ_TRAN_AMT_OFFSET, "000030000");
}

/* The next number on the command line after `*at`, 0 when there is none. */
static int next_number(const char** at) {
    const char* p = *at;
    int n = 0;
    while (*p && (*p < '0' || *p > '9')) ++p;
    while (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
    *at = p;
    return n;
}

int main(void) {
    /* The program's own name comes first; skip it, quoted or not. */
    const char* args = GetCommandLineA();
    char end = *args == '"' ? '"' : ' ';
    int host_port, download_port, result;
    if (*args == '"') ++args;
    while (*args && *args != end) ++args;
    host_port = next_number(&args);
    download_port = next_number(&args);
    if (host_port <= 0 || download_port <= 0) {
        say("usage: linkpos.exe HOST_PORT DOWNLOAD_PORT\r\n");
        return 2;
    }

    card_request("10");
    result = Zelta_Send("127.0.0.1", host_port, request, response);
    report(result == ZPOSAPP_SEND_REPLIED && same(code, ZPOSAPP_RESP_CODE_APPROVED), "Zelta_Send card approval",
           result, code);
    result = Zelta_Ack();
    report(result == ZPOSAPP_ACK_CLOSED, "Zelta_Ack", result, 0);

    card_request("10"); /* not points: refused before any connection */
    result = Zelta_OKCashbag("127.0.0.1", host_port, request, response);
    report(result == ZPOSAPP_SEND_FAILED && same(code, ZPOSAPP_RESP_CODE_REFUSED), "Zelta_OKCashbag kind 10 refused",
           result, code);

    result = Zelta_download("127.0.0.1", download_port, "PARAMDOWN0001", answer);
    report(result == 15 && same(answer, "0000DOWNLOAD OK"), "Zelta_download", result, answer);

    say(failures ? "linkpos: FAIL\r\n" : "linkpos: all four calls as expected\r\n");
    return failures ? 1 : 0;
}

/* Entry point where no C runtime calls main. */
void linkpos_start(void) { ExitProcess((unsigned int)main()); }
