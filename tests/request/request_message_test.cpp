// Host request messages byte for byte; no pad library, so no signature or PIN.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "entry/call.h"
#include "request/request_message.h"
#include "tests/common/app_dir.h"
#include "tests/common/print.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"
#include "tests/request/built_message.h"

namespace zpos::test {
namespace {

// Fields of a message by number (1 to 30) and text; a field not named is
// empty.
using Fields = std::vector<std::pair<int, std::string>>;

Fields operator+(Fields a, const Fields& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The fields every message carries: version code, "G", the time stamp, "A",
// the block count and "CT02".
const Fields kFixed = {{10, "A40X10"}, {11, "G"}, {17, "OITR123456"}, {25, "A"}, {29, "01"}, {30, "CT02"}};

std::string message(char entry, const std::string& code, const Fields& fields, const std::string& blocks) {
    std::vector<std::string> f(30);
    for (const auto& [number, text] : kFixed + fields) f[static_cast<std::size_t>(number - 1)] = text;
    return transaction_message(entry, code, f, blocks);
}

// A swiped card of sixteen digits, its expiry 2512 and more track data.
constexpr char kTrack[] = "4092123412341234=25121010000";
const std::string kSplit = "4092123412341234" + FS + "2512";

Request card(const char* msg_type, const char* tran_kind, char entry_mode) {
    Request r = sample_card_request(msg_type, tran_kind, "", std::string(1, entry_mode));
    r.set_padded(req::track2, kTrack).set(req::install_months, "03").set(req::tran_amt, "000010000");
    r.set(req::amt_extra1, "000000100").set(req::amt_extra2, "000000200");
    return r.set(req::org_auth_no, "87654321").set(req::org_auth_date, "240315");
}

// Fields 1 to 6 of the payment kinds for the card above.
Fields payment(const std::string& card_field) {
    return {{1, "1200000001"}, {2, card_field}, {3, "03"}, {4, "00009700"}, {5, "00000200"}, {6, "00000100"}};
}
const Fields kOriginal = {{7, "87654321"}, {8, "240315"}};
const Fields kCashOriginal = {{7, "118765432"}, {8, "240315"}};  // "11" and seven digits

constexpr char kPointsTrack[] = "9410123412341234=2612";

Request points(const char* sub, const char* media) {
    Request r = sample_points_request(sub, media).set_padded(req::pt_track2, kPointsTrack);
    return r.set(req::pt_amt, "000001500").set(req::pt_org_auth_no, "98765").set(req::pt_org_auth_date, "240301");
}

// Fields of the points kinds for the request above with the medium sent.
Fields points_fields(const char* media) {
    return {{1, "1200000001"}, {3, media}, {4, "00001500"}, {12, "06"}, {14, kPointsTrack}};
}
const Fields kPointsOriginal = {{8, "240301"}, {13, "98765       "}};

struct BuildCase {
    const char* name;
    int kind;
    Request request;
    char entry;
    std::string code;
    Fields fields;
    std::string blocks = "";
};

class RequestMessage : public ::testing::TestWithParam<BuildCase> {};

TEST_P(RequestMessage, MatchesByteForByte) {
    AppDir dir;
    std::memcpy(g_module.call.tran_time, "123456", 7);
    const BuildCase& c = GetParam();
    EXPECT_EQ(build(c.request, c.kind).bytes, message(c.entry, c.code, c.fields, c.blocks));
    std::vector<std::string> log = dir.log_lines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "From Pointsvc... [" + std::to_string(c.kind) + "]");
}

const BuildCase kCases[] = {
    {"Kind2Swiped", 2, card("0200", "10", 'A'), 'S', "10", payment(kTrack)},
    {"Kind2KeyedSplitsCardAndExpiry", 2, card("0200", "10", '@'), 'K', "C0", payment(kSplit)},
    {"Kind4Swiped", 4, card("0420", "30", 'A'), 'S', "11", payment(kTrack) + kOriginal},
    {"Kind4Keyed", 4, card("0420", "30", '@'), 'K', "C1", payment(kSplit) + kOriginal},
    {"Kind5KeyedSendsLeadingDigits", 5, card("0200", "21", '@'), 'K', "D1", payment("4092123412341234")},
    {"Kind5Swiped", 5, card("0200", "21", 'A'), 'S', "41", payment(kTrack)},
    {"Kind6CancelNumberIs11AndSeven", 6, card("0420", "21", 'A'), 'S', "42", payment(kTrack) + kCashOriginal},
    {"Kind6Keyed", 6, card("0420", "21", '@'), 'K', "D2", payment("4092123412341234") + kCashOriginal},
    {"Kind7AmountOneIsCode64AndFieldThreeEmpty", 7, card("0200", "70", 'A').set(req::tran_amt, "000000001"), 'S',
     "64", {{1, "1200000001"}, {4, "00000001"}, {12, "02"}, {14, kTrack}}},
    {"Kind7OtherTranKindSendsMedia04", 7, card("0200", "KT", '@'), 'K', "66",
     {{1, "1200000001"}, {4, "00010000"}, {12, "04"}, {14, kSplit}}},
    {"Kind8", 8, card("0420", "70", 'A'), 'S', "67",
     {{1, "1200000001"}, {4, "00010000"}, {8, "240315"}, {12, "02"}, {13, "87654321"}, {14, kTrack}}},
    {"Kind9", 9, card("0200", "90", 'A'), 'S', "62",
     {{1, "1200000001"}, {3, "01"}, {4, "00010000"}, {12, "03"}, {14, kTrack}}},
    {"Kind9AmountOneIsCode64", 9, card("0200", "90", 'A').set(req::tran_amt, "000000001"), 'S', "64",
     {{1, "1200000001"}, {3, "01"}, {4, "00000001"}, {12, "03"}, {14, kTrack}}},
    {"Kind10Keyed", 10, card("0420", "91", '@'), 'K', "63",
     {{1, "1200000001"}, {3, "01"}, {4, "00010000"}, {8, "240315"}, {12, "04"}, {13, "87654321"}, {14, kSplit}}},
    {"Kind11KeyedStillSendsTrack", 11, card("0200", "F1", '@'), 'K', "E1", payment(kTrack)},
    {"Kind12", 12, card("0420", "F2", 'A'), 'S', "E2", payment(kTrack) + kOriginal},
    {"Kind1Cheque", 1,
     Request("0200", "20").set(req::chk_code, "11").set(req::chk_number, "12345678901234567890")
         .set(req::chk_account, "1234567890123").set(req::chk_amount, "000500000"),
     'S', "40",
     {{1, "1200000001"}, {2, "12345678901234567890" + FS + "1234567890123"}, {3, "11"}, {4, "00500000"},
      {8, "567890"}}},
    {"Kind60Media03Sends04", 60, points("01", "03"), 'S', "60", points_fields("04")},
    {"Kind61", 61, points("11", "01"), 'S', "61", points_fields("01") + kPointsOriginal},
    {"Kind62Media04Sends03", 62, points("02", "04"), 'S', "62", points_fields("03")},
    {"Kind63", 63, points("12", "02"), 'S', "63", points_fields("02") + kPointsOriginal},
    {"Kind64UnknownMediaIsTwoNuls", 64, points("03", "99"), 'S', "64", points_fields("") + Fields{{3, nuls(2)}}},
    {"ShortTermIdIsNulPadded", 2, card("0200", "10", 'A').set_padded(req::term_id, "12000"), 'S', "10",
     payment(kTrack) + Fields{{1, "12000" + nuls(5)}}},
    {"NegativeNetAmount", 2,
     card("0200", "10", 'A').set(req::tran_amt, "000001000").set(req::amt_extra1, "000001500")
         .set(req::amt_extra2, "000000500"),
     'S', "10", payment(kTrack) + Fields{{4, "-0001000"}, {5, "00000500"}, {6, "00001500"}}},
    {"SplitFormWithoutSeparatorTakesExpiryAt22", 2,
     card("0200", "10", '@').set_padded(req::track2, "1234567890123456789012512"), 'K', "C0", payment(FS + "2512")},
    {"SplitFormStopsAtFs", 2, card("0200", "10", '@').set_padded(req::track2, "123456789012\x1c" "2709"), 'K', "C0",
     payment("123456789012" + FS + "2709")},
    {"ShortExpiryIsNulPadded", 2, card("0200", "10", '@').set_padded(req::track2, "4092123412341234=25"), 'K', "C0",
     payment("4092123412341234" + FS + "25" + nuls(2))},
    {"TfAndPaBlocks", 2, card("0200", "10", 'A').set(req::ext_tf, "TF        ").set(req::ext_pa, "ABC"), 'S', "10",
     payment(kTrack) + Fields{{29, "03"}}, "TF        " + FS + "PAABC" + FS},
    {"ShortTfAndPaAreBlankPadded", 2, card("0200", "10", 'A').set_padded(req::ext_tf, "TF12").set_padded(req::ext_pa, "x"),
     'S', "10", payment(kTrack) + Fields{{29, "03"}}, "TF12      " + FS + "PAx  " + FS},
    {"PaNeedsALetterFirst", 2, card("0200", "10", 'A').set(req::ext_tf, "XF12345678").set(req::ext_pa, "1AB"), 'S',
     "10", payment(kTrack)},
    {"JustBelowTheLimitIsSent", 2, card("0200", "10", 'A').set(req::tran_amt, "099999999"), 'S', "10",
     payment(kTrack) + Fields{{4, "99999699"}}},
    {"Kind7HasNoLimitAndCutsTheNinthDigit", 7, card("0200", "70", 'A').set(req::tran_amt, "123456789"), 'S', "66",
     {{1, "1200000001"}, {4, "12345678"}, {12, "02"}, {14, kTrack}}},
    {"PaAloneCountsTwo", 2, card("0200", "10", 'A').set(req::ext_pa, "Zq1"), 'S', "10",
     payment(kTrack) + Fields{{29, "02"}}, "PAZq1" + FS},
};

INSTANTIATE_TEST_SUITE_P(AllKinds, RequestMessage, ::testing::ValuesIn(kCases),
                         RowName{});

TEST(RequestMessageLength, HandCountedKind64Message) {
    AppDir dir;
    std::memcpy(g_module.call.tran_time, "123456", 7);
    Request r("0200", "40");  // every other byte blank
    Built m = build(r, 64);
    // 13 header + 11 + 1 + 3 + 9 + 5 + 7 + 2 + 3 + 1 + 38 + 2 + 11 + 3 + 4 + 5 + 3 + 5 + ETX = 127.
    std::string expected = std::string("\x02IS0128POS64\x1c") + "1200000001\x1c" + "\x1c" +
                           nuls(2) + "\x1c" + "00000000\x1c" + "\x1c\x1c\x1c\x1c\x1c" +
                           "A40X10\x1cG\x1c" + "06\x1c\x1c" + std::string(37, ' ') + "\x1c" +
                           "\x1c\x1c" + "OITR123456\x1c" + "\x1c\x1c\x1c" + "\x1c\x1c\x1c\x1c" +
                           "A\x1c\x1c\x1c\x1c" + "01\x1c" + "CT02\x1c\x03";
    EXPECT_EQ(m.length, 127);
    EXPECT_EQ(m.bytes, expected);
}

TEST(RequestMessageLength, NoStampYetSendsSixNuls) {
    AppDir dir;
    std::memset(g_module.call.tran_time, 0, sizeof g_module.call.tran_time);
    std::string m = build(Request("0200", "40"), 64).bytes;
    EXPECT_NE(m.find("OITR" + nuls(6) + FS), std::string::npos);
}

TEST(RequestMessageLimit, HundredMillionIsRefused) {
    AppDir dir;
    Request r = card("0200", "10", 'A');
    r.set(req::tran_amt, "100000000");
    EXPECT_EQ(build(r, 2).length, 0);
    EXPECT_EQ(dir.log_lines(), (std::vector<std::string>{"From Pointsvc... [2]",
                                                         "tran_amt is 1 billion over [100000000]"}));
}

TEST(RequestMessageSignatureStep, NonPaymentKindsLogAmountZero) {
    AppDir dir;
    build(points("01", "01"), 60);
    EXPECT_EQ(dir.log_lines(),
              (std::vector<std::string>{"From Pointsvc... [60]", "NO CVM SIGN AMOUNT[0]"}));
}

}  // namespace
}  // namespace zpos::test
