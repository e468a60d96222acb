// The reply parser by kind family, approved and declined, the whole response
// record compared so that every byte it should leave alone is checked too.
#include "reply/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fields.h"
#include "support/message_kinds.h"
#include "support/records.h"
#include "support/route.h"
#include "tests/common/app_dir.h"
#include "tests/common/print.h"
#include "tests/common/response_view.h"
#include "tests/common/wire.h"

namespace zpos::test {
namespace {

// CP949 of the Korean texts below, as keystroke runs and as bytes.
const std::string kNormalKeys = run_of("WJDTKDTMDDLS");  // 정상승인
const std::string kNormal = "\xC1\xA4\xBB\xF3\xBD\xC2\xC0\xCE";
const std::string kKookminKeys = run_of("RNRALSZKEM");  // 국민카드
const std::string kKookmin = "\xB1\xB9\xB9\xCE\xC4\xAB\xB5\xE5";
const std::string kBcKeys = run_of("QLtL");  // 비씨
const std::string kBc = "\xBA\xF1\xBE\xBE";
const std::string kShortKeys = run_of("WKSDORQNWHR");  // 잔액부족
const std::string kShort = "\xC0\xDC\xBE\xD7\xBA\xCE\xC1\xB7";
const std::string kPointKeys = run_of("VHDLSXM");  // 포인트
const std::string kPoint = "\xC6\xF7\xC0\xCE\xC6\xAE";

// Reply fields 0 to 46 by number; the rest empty.
struct ReplyFields {
    std::vector<std::string> fields = std::vector<std::string>(47);
    ReplyFields(std::initializer_list<std::pair<int, std::string>> list) {
        for (const auto& [number, text] : list) set(number, text);
    }
    ReplyFields& set(int number, std::string text) {
        fields[static_cast<std::size_t>(number)] = std::move(text);
        return *this;
    }
    std::string body() const { return reply_message("0000RP", fields); }
};

// A fresh record (all dots) after parsing the reply for `kind`.
ResponseRecord parsed(const ReplyFields& fields, int kind) {
    ResponseRecord rec;
    std::string body = fields.body();
    parse_reply(rec.data(), body.data(), static_cast<int>(body.size()), kind);
    return rec;
}

class ReplyParser : public ::testing::Test {
protected:
    AppDir dir;
};

// A card reply with every field the card kinds read.
ReplyFields card_reply(const char* flag) {
    return ReplyFields{{1, kNormalKeys},  {2, "12345678"},        {3, flag},          {4, "0100"},
                       {5, kKookminKeys}, {6, "123456789012345"}, {7, "2406111230450"}, {10, "D"},
                       {11, "0300"},      {12, kBcKeys},          {17, "1000"},      {18, "50000"},
                       {19, "0"},         {20, "LINE 20"},        {21, "LINE 21"},   {22, "LINE 22"}};
}

// The fields that a card reply fills alike for kinds 2, 4, 5, 6, 11, 12.
std::vector<Expect> card_common(const char* resp_code) {
    return {{resp::resp_code, resp_code},
            {resp::issuer_code, "01"},
            {resp::issuer_name, written(kKookmin, 20)},
            {resp::acquirer_code, "03"},
            {resp::acquirer_name, written(kBc, 20)},
            {resp::merchant_no, "123456789012345"},
            {resp::tran_datetime, "240611123045"},
            {resp::card_class, "1"},
            {resp::info_line1, written("LINE 20", 24)},
            {resp::info_line2, written("LINE 21", 24)},
            {resp::info_line3, written("LINE 22", 24)}};
}

// A declined card reply: auth_no is not written, but the NUL after a full
// 12-character tran_datetime lands on its first byte.
std::vector<Expect> card_declined(const std::string& message = kNormal + ", 12345678") {
    return overlay(card_common("8324"), {{resp::auth_no, written("", 12)}, {resp::message, written(message, 40)}});
}

std::vector<Expect> card_approved() {
    return overlay(card_common("0000"), {{resp::auth_no, written("12345678", 12)}, {resp::message, written(kNormal, 40)}});
}

TEST_F(ReplyParser, ChequeApproved) {
    ResponseRecord rec = parsed(ReplyFields{{1, "IGNORED"}, {3, "O"}}, kind::kCheque);
    expect_record(rec, {{resp::resp_code, "0000"},
                        {resp::chk_blank, "        "},
                        {resp::chk_message, written("\xC1\xA4\xBB\xF3\xBC\xF6\xC7\xA5", 34)}});  // 정상수표
}

TEST_F(ReplyParser, ChequeDeclinedFillsAll34AndItsNulFallsAfterIt) {
    ResponseRecord rec =
        parsed(ReplyFields{{1, "ABCDEFGHIJKLMNOP"}, {2, "QRSTUVWXYZ012345"}, {3, "N"}}, kind::kCheque);
    expect_record(rec, {{resp::resp_code, "1111"},
                        {resp::chk_blank, "        "},
                        {resp::chk_message, "ABCDEFGHIJKLMNOP, QRSTUVWXYZ012345"},
                        {after(resp::chk_message), " "}});
}

TEST_F(ReplyParser, CardApprovedWritesAuthAndPositiveValues) {
    ResponseRecord rec = parsed(card_reply("O"), kind::kCardApproval);
    expect_record(rec, overlay(card_approved(), {{resp::value1, "000050000"},
                                                 {resp::value2, "000001000"},
                                                 {resp::value3, written("", 9)}}));  // field 19 is 0
}

TEST_F(ReplyParser, CashApprovedWritesNoValues) {
    ResponseRecord rec = parsed(card_reply("O"), kind::kCashApproval);
    expect_record(rec, card_approved());
}

TEST_F(ReplyParser, DeclinedCancellationIsFilledFromTheReply) {
    ResponseRecord rec = parsed(card_reply("X").set(1, kShortKeys).set(2, "CALL 1588"), kind::kCardCancel);
    expect_record(rec, card_declined(kShort + ", CALL 1588"));
}

TEST_F(ReplyParser, DeclinedWithEmptyLinesGivesCommaAndBlank) {
    ResponseRecord rec = parsed(card_reply("").set(1, "").set(2, ""), kind::kCashCancel);
    expect_record(rec, card_declined(", "));
}

TEST_F(ReplyParser, Company5240SendsValue1AsTextApprovedOrDeclined) {
    ResponseRecord rec =
        parsed(card_reply("O").set(4, "5240").set(17, "AB12CD34EF").set(19, "7"), kind::kF1Approval);
    expect_record(rec, overlay(card_approved(), {{resp::issuer_code, "40"},
                                                 {resp::value1, written("AB12CD34", 9)},
                                                 {resp::value2, written("", 9)},  // value 1's first NUL
                                                 {resp::value3, "000000007"},
                                                 {after(resp::value3), " "}}));
    ResponseRecord declined = parsed(card_reply("N").set(4, "5240").set(17, "-12"), kind::kF2Cancel);
    expect_record(declined, overlay(card_declined(), {{resp::issuer_code, "40"}, {resp::value1, written("-12", 9)}}));
}

TEST_F(ReplyParser, ApprovalIsTheCapitalOAlone) {
    struct Case {
        const char* flag;
        const char* resp_code;
    };
    const Case cases[] = {{"O", "0000"}, {"OK", "0000"}, {"o", "8324"}, {"", "8324"}, {"0", "8324"}, {"X", "8324"}};
    for (const Case& c : cases) {
        ResponseRecord fresh = parsed(ReplyFields{{3, c.flag}}, kind::kCashApproval);
        EXPECT_EQ(fresh.shown(resp::resp_code), c.resp_code) << "flag \"" << c.flag << "\"";
    }
}

// Kind 70: issuer 45 whatever the host says, the acquirer code left alone, and
// field 20 on the first line.
TEST_F(ReplyParser, Kind70FixesTheIssuerAndFormatsValue1) {
    ResponseRecord rec = parsed(card_reply("O").set(20, "ABCDEFGHIJKLMNOP").set(18, "1234").set(19, "77").set(17, "5"),
                                kind::k70Approval);
    expect_record(rec, overlay(card_approved(), {{resp::issuer_code, "45"},
                                                 {resp::acquirer_code, ".."},
                                                 {resp::info_line1, written("ABCDEFGHIJKLMNOP", 24)},
                                                 {resp::value1, " L0001234"},
                                                 {resp::value2, "000000077"},
                                                 {resp::value3, "000000005"},
                                                 {after(resp::value3), " "}}));
    // Declined, the codes are mapped as for any card.
    ResponseRecord declined = parsed(card_reply("N").set(20, "SHORT").set(18, "12345678"), kind::k70Cancel);
    expect_record(declined, overlay(card_declined(), {{resp::info_line1, written("SHORT", 24)},
                                                      {resp::value1, "  1234567"},  // field 20 has no 12th character
                                                      {resp::value2, "000000000"},
                                                      {resp::value3, "000001000"},
                                                      {after(resp::value3), " "}}));
}

// value1 is always nine bytes: a blank, field 20's 12th character (a NUL, so
// a blank, when its text ends before it) and seven digits of field 18.
TEST_F(ReplyParser, Kind70Value1IsNineBytesWhateverField20Holds) {
    struct Case {
        std::string line20;
        const char* number18;
        const char* shown;
    };
    const Case cases[] = {
        {std::string("abc\0defghijk", 12), "4321", "  0004321"},  // the text ends at its NUL
        {"ABCDEFGHIJKL", "-5", " L0000000"},
        {"ABCDEFGHIJKLMNOP", "12345678", " L1234567"},  // an eighth digit is cut
        {"", "", "  0000000"},
    };
    for (const Case& c : cases) {
        for (int kind : {kind::k70Approval, kind::k70Cancel}) {
            const char* flag = kind == kind::k70Approval ? "O" : "N";
            ResponseRecord fresh = parsed(card_reply(flag).set(20, c.line20).set(18, c.number18), kind);
            EXPECT_EQ(fresh.shown(resp::value1), c.shown) << "field 20 [" << c.line20 << "], field 18 " << c.number18
                                                         << ", kind " << kind;
        }
    }
}

TEST_F(ReplyParser, Kind90ApprovedReadsDigitsBetweenKoreanWords) {
    ReplyFields r{{1, kNormalKeys},
                  {3, "O"},
                  {6, "MERCHANT1"},
                  {7, "2406111230450"},
                  {10, "D"},
                  {14, kPointKeys},
                  {15, "0200"},
                  {17, "300"},
                  {20, run_of("WJRFLQ") + " 1,234,567 " + run_of("DNJS")},  // 적립 1,234,567 원
                  {21, "1234567890123"},
                  {23, "AUTH9"}};
    ResponseRecord rec = parsed(r, kind::k90Approval);
    expect_record(rec, {{resp::resp_code, "0000"},
                        {resp::issuer_code, "02"},
                        {resp::issuer_name, written(kPoint, 20)},
                        {resp::merchant_no, written("MERCHANT1", 15)},
                        {resp::tran_datetime, "240611123045"},
                        {resp::auth_no, written("AUTH9", 12)},
                        {resp::message, written(kNormal, 40)},
                        {resp::info_line1, written("\xC0\xFB\xB8\xB3 1,234,567 \xBF\xF8", 24)},
                        {resp::info_line2, written("1234567890123", 24)},
                        {resp::info_line3, written("", 24)},
                        {resp::value1, "123456789"},  // the first nine digits
                        {resp::value2, "000000300"},
                        {resp::value3, "001234567"},
                        {after(resp::value3), " "}});
}

TEST_F(ReplyParser, Kind90DeclinedSkipsAuthNo) {
    ResponseRecord rec = parsed(
        ReplyFields{{1, "LINE1"}, {2, "LINE2"}, {3, "N"}, {14, "CO"}, {15, "1100"}, {23, "AUTH9"}}, kind::k90Cancel);
    expect_record(rec, {{resp::resp_code, "8324"},
                        {resp::issuer_code, "35"},
                        {resp::issuer_name, written("CO", 20)},
                        {resp::merchant_no, written("", 15)},
                        {resp::tran_datetime, written("", 12)},
                        {resp::message, written("LINE1, LINE2", 40)},
                        {resp::info_line1, written("", 24)},
                        {resp::info_line2, written("", 24)},
                        {resp::info_line3, written("", 24)},
                        {resp::value1, "000000000"},
                        {resp::value2, "000000000"},
                        {resp::value3, "000000000"},
                        {after(resp::value3), " "}});
}

ReplyFields points_reply(const char* flag) {
    return ReplyFields{{1, "NO MEMBER"},     {2, "CALL"},       {3, flag},    {6, "PTMERCHANT00001"},
                       {7, "2406111230450"}, {14, kPointKeys},  {15, "1200"}, {17, ""},
                       {18, "1500"},         {19, "-5"},        {20, "POINTS SAVED"},
                       {21, "BALANCE 1500"}, {23, "PT01"}};
}

std::vector<Expect> points_common(const char* resp_code) {
    return {{resp::resp_code, resp_code},
            {resp::pt_date, "20240611"},
            {resp::pt_time, "123045"},
            {after(resp::pt_time), " "},
            {resp::pt_company_code, "36"},
            {resp::pt_company_name, written(kPoint, 20)},
            {resp::pt_merchant_no, "PTMERCHANT00001"},
            {resp::pt_value1, "000001500"},
            {resp::pt_value2, "000000000"},
            {resp::pt_value3, "000000000"}};
}

// Declined, kind 64 says the member information is missing; the others copy
// field 20.
TEST_F(ReplyParser, PointsApprovedAndDeclined) {
    ResponseRecord rec = parsed(points_reply("O"), 60);
    expect_record(rec, overlay(points_common("0000"), {{resp::pt_auth_no, written("PT01", 12)},
                                                       {resp::pt_message, written("POINTS SAVED", 40)},
                                                       {resp::pt_line1, written("BALANCE 1500", 24)}}));
    const std::vector<Expect> declined = overlay(points_common("8324"), {{resp::pt_message, written("NO MEMBERCALL", 40)},
                                                                         {resp::pt_line2, written("BALANCE 1500", 24)}});
    ResponseRecord kind64 = parsed(points_reply("N"), 64), kind61 = parsed(points_reply("N"), 61);
    expect_record(kind64, overlay(declined, {{resp::pt_line1, written("\xC8\xB8\xBF\xF8\xC1\xA4\xBA\xB8\x20\xBA\xCE\xC1\xB7", 24)}}));
    expect_record(kind61, overlay(declined, {{resp::pt_line1, written("POINTS SAVED", 24)}}));
}

TEST_F(ReplyParser, ApprovedWithEveryOtherFieldMissing) {
    ReplyFields only_flag{{3, "O"}};
    ResponseRecord card = parsed(only_flag, kind::kCardApproval), k70 = parsed(only_flag, kind::k70Approval);
    ResponseRecord k90 = parsed(only_flag, kind::k90Approval), points = parsed(only_flag, 62);
    expect_record(card, {{resp::resp_code, "0000"},
                         {resp::issuer_code, "  "},
                         {resp::issuer_name, written("", 20)},
                         {resp::acquirer_code, "  "},
                         {resp::acquirer_name, written("", 20)},
                         {resp::merchant_no, written("", 15)},
                         {resp::tran_datetime, written("", 12)},
                         {resp::auth_no, written("", 12)},
                         {resp::message, written("", 40)},
                         {resp::info_line1, written("", 24)},
                         {resp::info_line2, written("", 24)},
                         {resp::info_line3, written("", 24)}});
    const Field values = through(resp::value1, after(resp::value3));
    EXPECT_EQ(k70.shown(values), std::string("  0000000") + "000000000" + "000000000" + " ");
    EXPECT_EQ(k90.shown(values), std::string("000000000") + "000000000" + "000000000" + " ");
    EXPECT_EQ(points.shown(through(resp::pt_value1, resp::pt_value3)), std::string(27, '0'));
    EXPECT_EQ(points.shown(through(resp::pt_date, after(resp::pt_time))), "20 ..... ......");  // pt_date "20", no time
}

TEST_F(ReplyParser, UnknownKindsLeaveTheRecordAlone) {
    for (int k : {kind::kManagement, 3, 13, 59, 65, -1}) {
        ResponseRecord fresh = parsed(card_reply("O"), k);
        EXPECT_EQ(fresh.shown(), std::string(resp::kSize, '.')) << "kind " << k;
    }
}

// The reply's own bytes are never changed, however large it is.
TEST_F(ReplyParser, OversizedRepliesAreBounded) {
    // 5000 bytes with runs of 300 keystrokes and a field 46 declaring 9999.
    std::string body = STX + "0000RP" + FS + kNormalKeys + FS + "\x0E" + std::string(300, 'R') + "\x0F" + FS + "O";
    body += std::string(43, kFS) + "9999";
    body.resize(5000, 'Z');
    std::string copy = body;
    ResponseRecord rec;
    parse_reply(rec.data(), copy.data(), static_cast<int>(copy.size()), kind::kCardApproval);
    EXPECT_EQ(rec.shown(resp::resp_code), "0000");
    EXPECT_EQ(rec.shown(resp::message).substr(0, 9), kNormal + " ");
    EXPECT_EQ(copy, body);
}

}  // namespace
}  // namespace zpos::test
