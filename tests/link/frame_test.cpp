// The link's byte formats: mask key, body mask, request frame, the management
// message, and the simulator's keystroke speller.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry/call.h"
#include "link/exchange.h"
#include "link/management.h"
#include "support/records.h"
#include "tests/common/keystrokes.h"
#include "tests/common/wire.h"
#include "tests/link/link_fixture.h"

namespace zpos {
namespace {

std::string bytes(const unsigned char* p, int n) { return std::string(reinterpret_cast<const char*>(p), n); }

TEST(MaskKey, LowByteOrHighByteWhenLowIsZero) {
    struct Case {
        unsigned length;
        unsigned char key;
    } cases[] = {{1, 0x01}, {3, 0x03}, {255, 0xFF}, {256, 0x01}, {300, 0x2C}, {512, 0x02}, {0x0B00, 0x0B}};
    for (const auto& c : cases) EXPECT_EQ(mask_key(c.length), c.key) << c.length;
}

TEST(MaskBody, OneByteBodyIsUnchanged) {
    unsigned char b[1] = {0x05};
    mask_body(b, 1, mask_key(1));
    EXPECT_EQ(b[0], 0x05);
}

TEST(MaskBody, CounterWrapsAt127) {
    unsigned char b[128] = {};
    mask_body(b, sizeof b, mask_key(128));  // key 0x80
    EXPECT_EQ(b[0], 0x81);    // 1 ^ 0x80
    EXPECT_EQ(b[125], 0xFE);  // 126 ^ 0x80
    EXPECT_EQ(b[126], 0x80);  // (127 mod 127) = 0
    EXPECT_EQ(b[127], 0x81);  // counter starts again at 1
}

TEST(MaskBody, AppliedTwiceRestoresThePlainBytes) {
    unsigned char b[5] = {'h', 'e', 'l', 'l', 'o'};
    mask_body(b, 5, 5);
    EXPECT_NE(bytes(b, 5), "hello");
    mask_body(b, 5, 5);
    EXPECT_EQ(bytes(b, 5), "hello");
}

TEST(RequestFrame, AbcWithoutBlock) {
    unsigned char out[kRequestFrameSize];
    ASSERT_EQ(build_request_frame(out, sizeof out, "abc", 3, "", 0), 7);
    EXPECT_EQ(bytes(out, 7), std::string("\x00\x05\x00\x03\x63\x63\x63", 7));
}

TEST(RequestFrame, SecurityBlockFollowsUnmasked) {
    unsigned char out[kRequestFrameSize];
    ASSERT_EQ(build_request_frame(out, sizeof out, "abc", 3, "XY", 2), 9);
    EXPECT_EQ(bytes(out, 9), std::string("\x00\x07\x00\x03\x63\x63\x63XY", 9));
}

TEST(RequestFrame, BoundedBy3500Bytes) {
    static char message[3600];
    unsigned char out[kRequestFrameSize];
    EXPECT_EQ(build_request_frame(out, sizeof out, message, 3490, message, 6), 3500);
    EXPECT_EQ(build_request_frame(out, sizeof out, message, 3490, message, 7), 0);
    EXPECT_EQ(build_request_frame(out, sizeof out, message, 3497, "", 0), 0);
    // 3496 + 4 = 3500: outer length 3498 = 0x0DAA, inner 3496 = 0x0DA8.
    ASSERT_EQ(build_request_frame(out, sizeof out, message, 3496, "", 0), 3500);
    EXPECT_EQ(bytes(out, 4), std::string("\x0D\xAA\x0D\xA8", 4));
}

// ---- Management message ----

struct ManagementRecord {
    char rec[req::kSize] = {};
    void put(Field f, const char* text) { std::memcpy(rec + f.offset, text, std::strlen(text)); }
};

std::string management_bytes(const char* request) {
    char out[kManagementMessageSize];
    int n = build_management_message(g_call, request, out, sizeof out);
    return std::string(out, static_cast<std::size_t>(n > 0 ? n : 0));
}

class ManagementMessage : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(g_call.version_code, "A40X10", 7);
        std::memcpy(g_call.tran_time, "123456", 7);
        r.put(req::term_id, "1234567890");
        r.put(req::entry_mode, "S");
        r.put(req::track2, "9410123456789012=2512101");
        r.put(req::install_months, "03");
        r.put(req::tran_amt, "000010000");
        r.put(req::amt_extra1, "000000500");
        r.put(req::amt_extra2, "000000300");
    }
    ManagementRecord r;
};

TEST_F(ManagementMessage, SwipedCardSendsTrack2AsOneField) {
    std::string expected = std::string("\x02SPOS11\x1c") + "1234567890\x1c" + "9410123456789012=2512101\x1c" +
                           "03\x1c" + "00009200\x1c" + "00000300\x1c" + "00000500\x1c" + "        \x1c" +
                           "      \x1c" + "\x1c" + "A40X10\x1c" + "G\x1c" + "\x1c\x1c\x1c\x1c\x1c" +
                           "OITR123456\x1c" + "\x1c\x1c\x1c\x1c\x1c\x1c\x1c" + "A\x03";
    EXPECT_EQ(management_bytes(r.rec), test::with_check(expected));
}

TEST_F(ManagementMessage, KeyedCardSendsNumberAndExpiry) {
    r.put(req::entry_mode, "@");
    std::string msg = management_bytes(r.rec);
    std::string head = std::string("\x02SPOS11\x1c") + "1234567890\x1c" + "9410123456789012\x1c" + "2512\x1c" + "03\x1c";
    EXPECT_EQ(msg.substr(0, head.size()), head);
    std::string tail = std::string("00009200\x1c") + "00000300\x1c" + "00000500\x1c" + "        \x1c" + "      \x1c" +
                       "\x1c" + "A40X10\x1c" + "G\x1c" + "\x1c\x1c\x1c\x1c\x1c" + "OITR123456\x1c" +
                       "\x1c\x1c\x1c\x1c\x1c\x1c\x1c" + "A\x03";
    EXPECT_EQ(msg, test::with_check(head + tail));
}

TEST_F(ManagementMessage, NegativeAmountKeepsItsSignAndFirstEightCharacters) {
    r.put(req::tran_amt, "000001000");
    r.put(req::amt_extra1, "000001500");
    r.put(req::amt_extra2, "000000500");
    std::string msg = management_bytes(r.rec);
    EXPECT_NE(msg.find(std::string("\x1c") + "-0001000\x1c" + "00000500\x1c" + "00001500\x1c"), std::string::npos);

    r.put(req::tran_amt, "000000000");
    r.put(req::amt_extra1, "100000000");
    r.put(req::amt_extra2, "000000000");
    msg = management_bytes(r.rec);
    EXPECT_NE(msg.find(std::string("\x1c") + "-1000000\x1c" + "00000000\x1c" + "100000000\x1c"), std::string::npos);
}

TEST_F(ManagementMessage, NoTransactionYetGivesSixNulsAfterOitr) {
    std::memset(g_call.tran_time, 0, sizeof g_call.tran_time);
    std::string msg = management_bytes(r.rec);
    EXPECT_NE(msg.find(std::string("\x1cOITR\0\0\0\0\0\0\x1c", 12)), std::string::npos);
}

TEST_F(ManagementMessage, ShortTermIdIsNulPadded) {
    std::memset(r.rec + req::term_id.offset, 0, req::term_id.width);
    r.put(req::term_id, "12345");
    std::string msg = management_bytes(r.rec);
    EXPECT_EQ(msg.substr(7, 12), std::string("\x1c" "12345\0\0\0\0\0\x1c", 12));
}

// ---- The keystroke speller the simulator sends with ----

TEST(Keystrokes, SyllablesAsTwoSetKeys) {
    struct Case {
        const char* utf8;
        const char* wire;
    } cases[] = {
        {"\xEC\x95\x88\xEB\x85\x95", "\x0e" "DKSSUD" "\x0f"},                      // 안녕
        {"\xEA\xB0\x92", "\x0e" "RKQT" "\x0f"},                                    // 값
        {"\xEB\x8B\xAD\xEA\xB3\xA0\xEA\xB8\xB0", "\x0e" "EKFRRHRL" "\x0f"},        // 닭고기
        {"\xEA\xB4\x91", "\x0e" "RHKD" "\x0f"},                                    // 광
        {"\xEA\xB0\x80" "1", "\x0e" "RK" "\x0f" "1"},                                 // 가1
        {"\xEA\xB0\x94 \xEB\x8B\xA4", "\x0e" "RKt" "\x0f" " " "\x0e" "EK" "\x0f"},  // 갔 다
        {"OK", "OK"},
    };
    for (const auto& c : cases) EXPECT_EQ(test::spell_for_wire(c.utf8), c.wire) << c.wire;
}

TEST(Keystrokes, LongRunsAreSplitAtOneHundredKeys) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += "\xEA\xB0\x80";  // 가 x 60 = 120 keys
    std::string wire = test::spell_for_wire(text);
    std::string expected = "\x0e" + std::string(50 * 2, ' ') + "\x0f\x0e" + std::string(10 * 2, ' ') + "\x0f";
    for (std::size_t i = 0, k = 0; i < expected.size(); ++i)
        if (expected[i] == ' ') expected[i] = (k++ % 2) ? 'K' : 'R';
    EXPECT_EQ(wire, expected);
}

}  // namespace
}  // namespace zpos
