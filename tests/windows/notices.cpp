// The library's message boxes, read and closed by a watcher thread.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "tests/windows/winpos.h"

namespace winpos {

namespace {

struct Notice {
    char text[256];
    wchar_t wide[128];
    bool owned_by_pos;   // owner: the POS window that was active
    bool topmost;
    bool pos_disabled;   // the POS window cannot be clicked into meanwhile
};
constexpr int kMaxNotices = 16;
Notice g_notices[kMaxNotices];

}  // namespace

volatile LONG g_notice_count = 0;
HWND g_pos_window = nullptr;

// Keeps each "ZPosApp" box's text and closes it with OK, so no notice waits
// for a user (Wine's null display driver still makes the boxes).
DWORD WINAPI notice_watcher(LPVOID) {
    for (;;) {
        HWND box = FindWindowA("#32770", "ZPosApp");
        if (box) {
            LONG i = g_notice_count;
            // Read once the box is up: its placement is set as it opens.
            for (int n = 0; n < 100 && !IsWindowVisible(box); ++n) Sleep(10);
            if (i < kMaxNotices) {
                GetDlgItemTextA(box, 0xFFFF, g_notices[i].text, sizeof g_notices[i].text);
                GetDlgItemTextW(box, 0xFFFF, g_notices[i].wide, 128);
                g_notices[i].owned_by_pos = g_pos_window && GetWindow(box, GW_OWNER) == g_pos_window;
                g_notices[i].topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                g_notices[i].pos_disabled = g_pos_window && !IsWindowEnabled(g_pos_window);
            }
            InterlockedIncrement(&g_notice_count);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            for (int n = 0; n < 500 && IsWindow(box); ++n) Sleep(10);
        }
        Sleep(20);
    }
}

namespace {

// One notice since `before`, with `text` (CP949; as Unicode under code page 949).
void check_notice(LONG before, const char* text, const wchar_t* wide, const char* name) {
    LONG shown = g_notice_count - before;
    check(shown == 1, named(name, "one message box"), "%ld shown", shown);
    if (shown != 1 || before >= kMaxNotices) return;
    const Notice& n = g_notices[before];
    check(std::strcmp(n.text, text) == 0, named(name, "message box text"), "got [%s]", n.text);
    if (GetACP() == 949) check(std::wcscmp(n.wide, wide) == 0, named(name, "text reads as Korean under code page 949"));
    check(n.owned_by_pos && n.pos_disabled, named(name, "owned by the POS window, which is disabled meanwhile"),
          "owned %d, disabled %d", n.owned_by_pos, n.pos_disabled);
    // Wine makes a box topmost for MB_SYSTEMMODAL only, not for MB_TOPMOST.
    bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    if (wine && !n.topmost)
        std::printf("skip %s (Wine does not apply MB_TOPMOST)\n", named(name, "topmost"));
    else
        check(n.topmost, named(name, "topmost"));
}

}  // namespace

// A refused message type (the buffer not written) on both entry points, and the
// test-port warning, which lets the call go on, but not on the test terminal.
void check_notices() {
    static const char kBadType[] =
        "\xC7\xE3\xB0\xA1 \xBE\xC8\xB5\xC8 \xC0\xFC\xB9\xAE \xB1\xB8\xBA\xD0\xC0\xD4\xB4\xCF\xB4\xD9.";
    static const wchar_t kBadTypeWide[] = L"허가 안된 전문 구분입니다.";
    static const char kTestPort[] = "TEST PORT \xC0\xD4\xB4\xCF\xB4\xD9.";
    static const wchar_t kTestPortWide[] = L"TEST PORT 입니다.";
    DeleteFileA(g_ini);
    char req[kRequestSize];
    char resp[kResponseSize];

    struct BadType {
        const char* name;
        SendFn* fn;
        const char* kind;
    };
    const BadType rows[] = {{"Zelta_Send, message type 0100", &g_send, "10"},
                            {"Zelta_OKCashbag, message type 0100", &g_okcashbag, "40"}};
    for (const BadType& row : rows) {
        card_request(req, "0100", row.kind);
        std::memset(resp, 0x5A, sizeof resp);
        LONG before = g_notice_count;
        int rc = (*row.fn)("127.0.0.1", g_idle_port, req, resp);
        check(rc == -1, named(row.name, "result -1"), "got %d", rc);
        check(std::count(resp, resp + kResponseSize, 0x5A) == kResponseSize,
              named(row.name, "response buffer not written"));
        check_notice(before, kBadType, kBadTypeWide, row.name);
    }

    card_request(req, "0200", "ZZ");
    LONG before = g_notice_count;
    int rc = g_send("127.0.0.1", 10901, req, resp);
    check(rc == -1 && bytes_are(RESP(resp, RESP_CODE), "NOTX"), "test port: the call goes on to its refusal",
          "got %d [%.4s]", rc, RESP(resp, RESP_CODE));
    check_notice(before, kTestPort, kTestPortWide, "test port");

    put(req, ZPOSAPP_REQ_TERM_ID_OFFSET, "1450019998");
    before = g_notice_count;
    rc = g_send("127.0.0.1", 10901, req, resp);
    check(rc == -1 && g_notice_count == before, "test port, test terminal: no message box",
          "got %d, %ld shown", rc, g_notice_count - before);
    DeleteFileA(g_ini);
}

}  // namespace winpos
