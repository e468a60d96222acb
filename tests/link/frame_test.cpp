// The link's byte formats and the simulator's keystroke speller.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry/call.h"
#include "link/exchange.h"
#include "link/management.h"
#include "support/records.h"
#include "tests/common/print.h"
#include "tests/common/records_helper.h"
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

TEST(MaskBody, CounterWrapsAt127) {
    unsigned char b[128] = {};
    mask_body(b, sizeof b, mask_key(128));  // key 0x80
    EXPECT_EQ(b[0], 0x81);    // 1 ^ 0x80
    EXPECT_EQ(b[125], 0xFE);  // 126 ^ 0x80
    EXPECT_EQ(b[126], 0x80);  // (127 mod 127) = 0
    EXPECT_EQ(b[127], 0x81);  // counter starts again at 1
}

// "abc" masked with key 3, then the security block unmasked.
TEST(RequestFrame, MaskedMessageThenBlock) {
    unsigned char out[kRequestFrameSize];
    ASSERT_EQ(build_request_frame(out, sizeof out, "abc", 3, "", 0), 7);
    EXPECT_EQ(bytes(out, 7), std::string("\x00\x05\x00\x03\x63\x63\x63", 7));
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

// The management message of a card with instalments 03.
std::string management(const std::string& card, const std::string& amounts = "00009200" + test::FS + "00000300" +
                                                                              test::FS + "00000500",
                       const std::string& term_id = "1234567890", const std::string& stamp = "123456") {
    using test::FS;
    return test::with_check(test::STX + "SPOS11" + FS + term_id + FS + card + FS + "03" + FS + amounts + FS +
                            "        " + FS + "      " + FS + FS + "A40X10" + FS + "G" + FS + std::string(5, '\x1c') +
                            "OITR" + stamp + FS + std::string(7, '\x1c') + "A" + test::ETX);
}

struct ManagementCase {
    const char* name;
    test::Request request;
    const char* tran_time;
    std::string message;
};

void PrintTo(const ManagementCase& c, std::ostream* os) { *os << c.name; }

test::Request swiped() {
    test::Request r = test::sample_card_request("0200", "10", "", "S");
    r.set_padded(req::track2, "9410123456789012=2512101").set(req::term_id, "1234567890").set(req::install_months, "03").set(req::tran_amt, "000010000");
    return r.set(req::amt_extra1, "000000500").set(req::amt_extra2, "000000300");
}

class ManagementMessage : public ::testing::TestWithParam<ManagementCase> {};

TEST_P(ManagementMessage, ByteForByte) {
    const ManagementCase& c = GetParam();
    std::memcpy(g_module.call.version_code, "A40X10", 7);
    std::memcpy(g_module.call.tran_time, c.tran_time, 7);
    char out[kManagementMessageSize];
    int n = build_management_message(g_module.call, c.request.data(), out, sizeof out);
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(n > 0 ? n : 0)), c.message);
}

// The amount is the total less the extras, cut to eight characters.
INSTANTIATE_TEST_SUITE_P(
    Cases, ManagementMessage,
    ::testing::Values(
        ManagementCase{"SwipedCardSendsTrack2AsOneField", swiped(), "123456", management("9410123456789012=2512101")},
        ManagementCase{"KeyedCardSendsNumberAndExpiry", swiped().set(req::entry_mode, "@"), "123456",
                       management("9410123456789012" + test::FS + "2512")},
        ManagementCase{"NegativeAmount", swiped().set(req::tran_amt, "000001000").set(req::amt_extra1, "000001500")
                                             .set(req::amt_extra2, "000000500"),
                       "123456", management("9410123456789012=2512101", "-0001000" + test::FS + "00000500" + test::FS +
                                                                            "00001500")},
        ManagementCase{"NegativeAmountCutToEight", swiped().set(req::tran_amt, "000000000")
                                                       .set(req::amt_extra1, "100000000").set(req::amt_extra2, "000000000"),
                       "123456", management("9410123456789012=2512101", "-1000000" + test::FS + "00000000" + test::FS +
                                                                            "100000000")},
        ManagementCase{"NoTransactionYetGivesSixNuls", swiped(), "\0\0\0\0\0\0",
                       management("9410123456789012=2512101", "00009200" + test::FS + "00000300" + test::FS + "00000500",
                                  "1234567890", test::nuls(6))},
        ManagementCase{"ShortTermIdIsNulPadded", swiped().set_padded(req::term_id, "12345"), "123456",
                       management("9410123456789012=2512101", "00009200" + test::FS + "00000300" + test::FS + "00000500",
                                  "12345" + test::nuls(5))}),
    test::RowName{});

// The keys themselves are checked against iconv and libhangul in tests/reply.
TEST(Keystrokes, SyllablesAsTwoSetKeys) {
    struct Case {
        const char* utf8;
        const char* wire;
    } cases[] = {
        {"\xEA\xB0\x80" "1", "\x0e" "RK" "\x0f" "1"},                                // 가1
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
