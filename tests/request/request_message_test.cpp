// Host request messages for every message kind and both entry modes, compared
// byte for byte. No pad library and small amounts: no signature or PIN here
// (those run through the test pad in capture_test.cpp).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "entry/call.h"
#include "request/request_message.h"
#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"

namespace zpos::test {
namespace {

const std::string FS = "\x1c";
const std::string NUL(1, '\0');
std::string nuls(std::size_t n) { return std::string(n, '\0'); }

// Fields 1 to 30 of a message with nothing but the fixed ones filled in;
// index 0 is field 1.
std::vector<std::string> fixed_fields() {
    std::vector<std::string> f(30);
    f[9] = "A40X10";
    f[10] = "G";
    f[16] = "OITR123456";
    f[24] = "A";
    f[28] = "01";
    f[29] = "CT02";
    return f;
}

// STX, "I", the entry indicator, the length (size through ETX plus the check
// byte), "POS", the code, FS, each field with its FS, the blocks, ETX.
std::string message(char entry, const std::string& code, const std::vector<std::string>& f,
                    const std::string& blocks = "") {
    std::string body = FS;
    for (const std::string& field : f) body += field + FS;
    body += blocks + "\x03";
    std::string head = std::string("\x02I") + entry;
    std::size_t total = head.size() + 4 + 3 + code.size() + body.size() + 1;
    char length[8];
    std::snprintf(length, sizeof length, "%04zu", total);
    return head + length + "POS" + code + body;
}

struct BuildCase {
    const char* name;
    int kind;
    std::function<void(Request&)> setup;
    char entry;
    std::string code;
    std::function<void(std::vector<std::string>&)> fields;
    std::string blocks = "";
};

// A swiped card of sixteen digits, its expiry 2512 and more track data.
constexpr char kTrack[] = "4092123412341234=25121010000";

Request card(const char* msg_type, const char* tran_kind, char entry_mode) {
    Request r(msg_type, tran_kind);
    r.set(req::entry_mode, std::string(1, entry_mode));
    r.set_padded(req::track2, kTrack);
    r.set(req::install_months, "03");
    r.set(req::tran_amt, "000010000");
    r.set(req::amt_extra1, "000000100");
    r.set(req::amt_extra2, "000000200");
    r.set(req::org_auth_no, "87654321");
    r.set(req::org_auth_date, "240315");
    return r;
}

// Fields 1 to 6 of the payment kinds for the card above.
void payment_fields(std::vector<std::string>& f, const std::string& card_field) {
    f[0] = "1200000001";
    f[1] = card_field;
    f[2] = "03";
    f[3] = "00009700";  // 10000 - 200 - 100
    f[4] = "00000200";
    f[5] = "00000100";
}

Request points(const char* sub, const char* media) {
    Request r("0200", "40");
    r.set(req::pt_media, media);
    r.set(req::pt_sub, sub);
    r.set_padded(req::pt_track2, "9410123412341234=2612");
    r.set(req::pt_amt, "000001500");
    r.set(req::pt_org_auth_no, "98765");
    r.set(req::pt_org_auth_date, "240301");
    return r;
}

std::string build(const Request& r, int kind, int* length = nullptr) {
    std::array<char, kRequestMessageSize> out{};
    int n = 0;
    if (build_request_message(g_call, r.data(), out, kind, n) != RequestBuild::built) n = 0;
    if (length) *length = n;
    return std::string(out.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

class RequestMessage : public ::testing::TestWithParam<BuildCase> {};

TEST_P(RequestMessage, MatchesByteForByte) {
    AppDir dir;
    std::memcpy(g_call.tran_time, "123456", 7);
    const BuildCase& c = GetParam();
    Request r;
    c.setup(r);
    std::vector<std::string> f = fixed_fields();
    c.fields(f);
    EXPECT_EQ(build(r, c.kind), message(c.entry, c.code, f, c.blocks));
    std::vector<std::string> log = dir.log_lines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "From Pointsvc... [" + std::to_string(c.kind) + "]");
}

const std::string kTrackText = kTrack;
const std::string kSplit = "4092123412341234" + FS + "2512";

const BuildCase kCases[] = {
    {"Kind2Swiped", 2, [](Request& r) { r = card("0200", "10", 'A'); }, 'S', "10",
     [](auto& f) { payment_fields(f, kTrackText); }},
    {"Kind2KeyedSplitsCardAndExpiry", 2, [](Request& r) { r = card("0200", "10", '@'); }, 'K', "C0",
     [](auto& f) { payment_fields(f, kSplit); }},
    {"Kind4Swiped", 4, [](Request& r) { r = card("0420", "30", 'A'); }, 'S', "11",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[6] = "87654321";
         f[7] = "240315";
     }},
    {"Kind4Keyed", 4, [](Request& r) { r = card("0420", "30", '@'); }, 'K', "C1",
     [](auto& f) {
         payment_fields(f, kSplit);
         f[6] = "87654321";
         f[7] = "240315";
     }},
    {"Kind5KeyedSendsLeadingDigits", 5, [](Request& r) { r = card("0200", "21", '@'); }, 'K', "D1",
     [](auto& f) { payment_fields(f, "4092123412341234"); }},
    {"Kind5Swiped", 5, [](Request& r) { r = card("0200", "21", 'A'); }, 'S', "41",
     [](auto& f) { payment_fields(f, kTrackText); }},
    {"Kind6CancelNumberIs11AndSeven", 6, [](Request& r) { r = card("0420", "21", 'A'); }, 'S', "42",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[6] = "118765432";
         f[7] = "240315";
     }},
    {"Kind6Keyed", 6, [](Request& r) { r = card("0420", "21", '@'); }, 'K', "D2",
     [](auto& f) {
         payment_fields(f, "4092123412341234");
         f[6] = "118765432";
         f[7] = "240315";
     }},
    {"Kind7AmountOneIsCode64AndFieldThreeEmpty", 7,
     [](Request& r) {
         r = card("0200", "70", 'A');
         r.set(req::tran_amt, "000000001");
     },
     'S', "64",
     [](auto& f) {
         f[0] = "1200000001";
         f[3] = "00000001";
         f[11] = "02";
         f[13] = kTrackText;
     }},
    {"Kind7OtherTranKindSendsMedia04", 7, [](Request& r) { r = card("0200", "KT", '@'); }, 'K', "66",
     [](auto& f) {
         f[0] = "1200000001";
         f[3] = "00010000";
         f[11] = "04";
         f[13] = kSplit;
     }},
    {"Kind8", 8, [](Request& r) { r = card("0420", "70", 'A'); }, 'S', "67",
     [](auto& f) {
         f[0] = "1200000001";
         f[3] = "00010000";
         f[7] = "240315";
         f[11] = "02";
         f[12] = "87654321";
         f[13] = kTrackText;
     }},
    {"Kind9", 9, [](Request& r) { r = card("0200", "90", 'A'); }, 'S', "62",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = "01";
         f[3] = "00010000";
         f[11] = "03";
         f[13] = kTrackText;
     }},
    {"Kind9AmountOneIsCode64", 9,
     [](Request& r) {
         r = card("0200", "90", 'A');
         r.set(req::tran_amt, "000000001");
     },
     'S', "64",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = "01";
         f[3] = "00000001";
         f[11] = "03";
         f[13] = kTrackText;
     }},
    {"Kind10Keyed", 10, [](Request& r) { r = card("0420", "91", '@'); }, 'K', "63",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = "01";
         f[3] = "00010000";
         f[7] = "240315";
         f[11] = "04";
         f[12] = "87654321";
         f[13] = kSplit;
     }},
    {"Kind11KeyedStillSendsTrack", 11, [](Request& r) { r = card("0200", "F1", '@'); }, 'K', "E1",
     [](auto& f) { payment_fields(f, kTrackText); }},
    {"Kind12", 12, [](Request& r) { r = card("0420", "F2", 'A'); }, 'S', "E2",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[6] = "87654321";
         f[7] = "240315";
     }},
    {"Kind1Cheque", 1,
     [](Request& r) {
         r = Request("0200", "20");
         r.set(req::chk_code, "11").set(req::chk_number, "12345678901234567890");
         r.set(req::chk_account, "1234567890123").set(req::chk_amount, "000500000");
     },
     'S', "40",
     [](auto& f) {
         f[0] = "1200000001";
         f[1] = "12345678901234567890" + FS + "1234567890123";
         f[2] = "11";
         f[3] = "00500000";
         f[7] = "567890";
     }},
    {"Kind60Media03Sends04", 60, [](Request& r) { r = points("01", "03"); }, 'S', "60",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = "04";
         f[3] = "00001500";
         f[11] = "06";
         f[13] = "9410123412341234=2612";
     }},
    {"Kind61", 61, [](Request& r) { r = points("11", "01"); }, 'S', "61",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = "01";
         f[3] = "00001500";
         f[7] = "240301";
         f[11] = "06";
         f[12] = "98765       ";
         f[13] = "9410123412341234=2612";
     }},
    {"Kind62Media04Sends03", 62, [](Request& r) { r = points("02", "04"); }, 'S', "62",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = "03";
         f[3] = "00001500";
         f[11] = "06";
         f[13] = "9410123412341234=2612";
     }},
    {"Kind63", 63, [](Request& r) { r = points("12", "02"); }, 'S', "63",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = "02";
         f[3] = "00001500";
         f[7] = "240301";
         f[11] = "06";
         f[12] = "98765       ";
         f[13] = "9410123412341234=2612";
     }},
    {"Kind64UnknownMediaIsTwoNuls", 64, [](Request& r) { r = points("03", "99"); }, 'S', "64",
     [](auto& f) {
         f[0] = "1200000001";
         f[2] = nuls(2);
         f[3] = "00001500";
         f[11] = "06";
         f[13] = "9410123412341234=2612";
     }},
    {"ShortTermIdIsNulPadded", 2,
     [](Request& r) {
         r = card("0200", "10", 'A');
         r.set_padded(req::term_id, "12000");
     },
     'S', "10",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[0] = "12000" + nuls(5);
     }},
    {"NegativeNetAmount", 2,
     [](Request& r) {
         r = card("0200", "10", 'A');
         r.set(req::tran_amt, "000001000");
         r.set(req::amt_extra1, "000001500");
         r.set(req::amt_extra2, "000000500");
     },
     'S', "10",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[3] = "-0001000";
         f[4] = "00000500";
         f[5] = "00001500";
     }},
    {"SplitFormWithoutSeparatorTakesExpiryAt22", 2,
     [](Request& r) {
         r = card("0200", "10", '@');
         r.set_padded(req::track2, "1234567890123456789012512");
     },
     'K', "C0",
     [](auto& f) { payment_fields(f, FS + "2512"); }},
    {"SplitFormStopsAtFs", 2,
     [](Request& r) {
         r = card("0200", "10", '@');
         r.set_padded(req::track2, "123456789012\x1c" "2709");
     },
     'K', "C0",
     [](auto& f) { payment_fields(f, "123456789012" + FS + "2709"); }},
    {"ShortExpiryIsNulPadded", 2,
     [](Request& r) {
         r = card("0200", "10", '@');
         r.set_padded(req::track2, "4092123412341234=25");
     },
     'K', "C0",
     [](auto& f) { payment_fields(f, "4092123412341234" + FS + "25" + nuls(2)); }},
    {"TfAndPaBlocks", 2,
     [](Request& r) {
         r = card("0200", "10", 'A');
         r.set(req::ext_tf, "TF        ");
         r.set(req::ext_pa, "ABC");
     },
     'S', "10",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[28] = "03";
     },
     "TF        " + FS + "PAABC" + FS},
    {"ShortTfAndPaAreBlankPadded", 2,
     [](Request& r) {
         r = card("0200", "10", 'A');
         r.set_padded(req::ext_tf, "TF12");
         r.set_padded(req::ext_pa, "x");
     },
     'S', "10",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[28] = "03";
     },
     "TF12      " + FS + "PAx  " + FS},
    {"PaNeedsALetterFirst", 2,
     [](Request& r) {
         r = card("0200", "10", 'A');
         r.set(req::ext_tf, "XF12345678");
         r.set(req::ext_pa, "1AB");
     },
     'S', "10",
     [](auto& f) { payment_fields(f, kTrackText); }},
    {"PaAloneCountsTwo", 2,
     [](Request& r) {
         r = card("0200", "10", 'A');
         r.set(req::ext_pa, "Zq1");
     },
     'S', "10",
     [](auto& f) {
         payment_fields(f, kTrackText);
         f[28] = "02";
     },
     "PAZq1" + FS},
};

INSTANTIATE_TEST_SUITE_P(AllKinds, RequestMessage, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(RequestMessageLength, HandCountedKind64Message) {
    AppDir dir;
    std::memcpy(g_call.tran_time, "123456", 7);
    Request r("0200", "40");  // every other byte blank
    int n = 0;
    std::string m = build(r, 64, &n);
    // 13 header + 11 + 1 + 3 + 9 + 5 + 7 + 2 + 3 + 1 + 38 + 2 + 11 + 3 + 4 + 5 + 3 + 5 + ETX = 127.
    std::string expected = std::string("\x02IS0128POS64\x1c") + "1200000001\x1c" + "\x1c" +
                           nuls(2) + "\x1c" + "00000000\x1c" + "\x1c\x1c\x1c\x1c\x1c" +
                           "A40X10\x1cG\x1c" + "06\x1c\x1c" + std::string(37, ' ') + "\x1c" +
                           "\x1c\x1c" + "OITR123456\x1c" + "\x1c\x1c\x1c" + "\x1c\x1c\x1c\x1c" +
                           "A\x1c\x1c\x1c\x1c" + "01\x1c" + "CT02\x1c\x03";
    EXPECT_EQ(n, 127);
    EXPECT_EQ(m, expected);
}

TEST(RequestMessageLength, NoStampYetSendsSixNuls) {
    AppDir dir;
    std::memset(g_call.tran_time, 0, sizeof g_call.tran_time);
    std::string m = build(Request("0200", "40"), 64);
    EXPECT_NE(m.find("OITR" + nuls(6) + FS), std::string::npos);
}

TEST(RequestMessageLimit, HundredMillionIsRefused) {
    AppDir dir;
    Request r = card("0200", "10", 'A');
    r.set(req::tran_amt, "100000000");
    int n = -1;
    EXPECT_EQ(build(r, 2, &n), "");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(dir.log_lines(), (std::vector<std::string>{"From Pointsvc... [2]",
                                                         "tran_amt is 1 billion over [100000000]"}));
}

TEST(RequestMessageLimit, JustBelowIsSent) {
    AppDir dir;  // no SignSetting: the big amount only pauses and logs NOT SIGN
    Request r = card("0200", "10", 'A');
    r.set(req::tran_amt, "099999999");
    int n = 0;
    std::string m = build(r, 2, &n);
    EXPECT_GT(n, 0);
    EXPECT_NE(m.find(FS + "99999699" + FS), std::string::npos);  // 99999999 - 200 - 100
    EXPECT_EQ(dir.log_lines().back(), "NOT SIGN");
}

TEST(RequestMessageLimit, OnlyPaymentKindsHaveALimit) {
    AppDir dir;
    Request r = card("0200", "70", 'A');
    r.set(req::tran_amt, "123456789");
    int n = 0;
    std::string m = build(r, 7, &n);
    EXPECT_GT(n, 0);
    EXPECT_NE(m.find(FS + "12345678" + FS), std::string::npos);  // fixed 8 cuts the ninth digit
}

TEST(RequestMessageSignatureStep, NonPaymentKindsLogAmountZero) {
    AppDir dir;
    build(points("01", "01"), 60);
    EXPECT_EQ(dir.log_lines(),
              (std::vector<std::string>{"From Pointsvc... [60]", "NO CVM SIGN AMOUNT[0]"}));
}

}  // namespace
}  // namespace zpos::test
