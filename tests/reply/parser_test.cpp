// The reply parser by kind family, approved and declined: replies built from
// readable field lists, the response record compared field by field and every
// other byte checked untouched. Also the backup hand-over and the bounds.
#include "reply/parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "entry/call.h"
#include "platform/seams.h"
#include "support/fields.h"
#include "support/message_kinds.h"
#include "support/records.h"
#include "support/route.h"
#include "tests/common/app_dir.h"
#include "tests/common/keystrokes.h"
#include "tests/common/print.h"
#include "tests/reply/reply_builder.h"

namespace zpos {
namespace {

using test::ReplyFields;
using test::ResponseRecord;
using test::run_of;
using test::untouched;
using test::written;

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

struct Expect {
    Field at;
    std::string shown;
};

// Every listed field as shown, every other byte of the record a dot.
void expect_record(const ResponseRecord& rec, const std::vector<Expect>& fields) {
    std::string expected(resp::kSize, '.');
    for (const Expect& e : fields) {
        ASSERT_EQ(e.shown.size(), e.at.width) << "expectation at offset " << e.at.offset;
        expected.replace(e.at.offset, e.at.width, e.shown);
    }
    std::string got = rec.shown();
    for (const Expect& e : fields) {
        EXPECT_EQ(got.substr(e.at.offset, e.at.width), e.shown) << "field at offset " << e.at.offset;
    }
    for (std::size_t i = 0; i < resp::kSize; ++i) {
        if (got[i] != expected[i]) {
            ADD_FAILURE() << "byte " << i << " is '" << got[i] << "', expected '" << expected[i] << "'";
            break;
        }
    }
}

class ReplyParser : public ::testing::Test {
protected:
    void TearDown() override {
        platform::seams().backup_handover = nullptr;
        route_primary_for_call();
    }

    // The parser's result as a number: 0 filled from the reply, else the
    // backup route's after a hand-over.
    int parse(const ReplyFields& fields, int kind) {
        std::string body = fields.body();
        return static_cast<int>(parse_reply(rec.data(), body.data(), static_cast<int>(body.size()), kind));
    }

    test::AppDir dir;
    ResponseRecord rec;
};

// A card reply with every field the card kinds read.
ReplyFields card_reply(const char* flag) {
    return ReplyFields{{1, kNormalKeys},       {2, "12345678"},       {3, flag},   {4, "0100"},
                       {5, kKookminKeys},      {6, "123456789012345"}, {7, "2406111230450"},
                       {10, "D"},              {11, "0300"},          {12, kBcKeys}, {17, "1000"},
                       {18, "50000"},          {19, "0"},             {20, "LINE 20"}, {21, "LINE 21"},
                       {22, "LINE 22"}};
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
std::vector<Expect> card_declined() {
    std::vector<Expect> e = card_common("8324");
    e.push_back({resp::auth_no, written("", 12)});
    return e;
}

std::vector<Expect> plus(std::vector<Expect> a, const std::vector<Expect>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ReplyParser, ChequeApproved) {
    EXPECT_EQ(parse(ReplyFields{{1, "IGNORED"}, {3, "O"}}, kind::kCheque), 0);
    expect_record(rec, {{resp::resp_code, "0000"},
                        {resp::chk_blank, "        "},
                        {resp::chk_message, written("\xC1\xA4\xBB\xF3\xBC\xF6\xC7\xA5", 34)}});  // 정상수표
}

TEST_F(ReplyParser, ChequeDeclinedFillsAll34AndItsNulFallsOn101) {
    parse(ReplyFields{{1, "ABCDEFGHIJKLMNOP"}, {2, "QRSTUVWXYZ012345"}, {3, "N"}}, kind::kCheque);
    expect_record(rec, {{resp::resp_code, "1111"},
                        {resp::chk_blank, "        "},
                        {resp::chk_message, "ABCDEFGHIJKLMNOP, QRSTUVWXYZ012345"},
                        {{101, 1}, " "}});
}

TEST_F(ReplyParser, CardApprovedWritesAuthAndPositiveValues) {
    EXPECT_EQ(parse(card_reply("O"), kind::kCardApproval), 0);
    expect_record(rec, plus(card_common("0000"), {{resp::auth_no, written("12345678", 12)},
                                                   {resp::message, written(kNormal, 40)},
                                                   {resp::value1, "000050000"},
                                                   {resp::value2, "000001000"},
                                                   {resp::value3, written("", 9)}}));  // field 19 is 0
}

TEST_F(ReplyParser, CashApprovedWritesNoValues) {
    parse(card_reply("O"), kind::kCashApproval);
    expect_record(rec, plus(card_common("0000"), {{resp::auth_no, written("12345678", 12)},
                                                   {resp::message, written(kNormal, 40)}}));
}

TEST_F(ReplyParser, CardDeclinedOnBackupRouteIsFilledFromTheReply) {
    dir.take_backup_route();
    int calls = 0;
    static int* seen = nullptr;
    seen = &calls;
    platform::seams().backup_handover = [](char*) { return ++*seen, BackupRouteResult::answered; };
    ReplyFields r = card_reply("X");
    r.set(1, kShortKeys).set(2, "CALL 1588");
    EXPECT_EQ(parse(r, kind::kCardCancel), 0);
    EXPECT_EQ(calls, 0);
    expect_record(rec, plus(card_declined(), {{resp::message, written(kShort + ", CALL 1588", 40)}}));
}

TEST_F(ReplyParser, DeclinedWithEmptyLinesGivesCommaAndBlank) {
    ReplyFields r = card_reply("");
    r.set(1, "").set(2, "");
    parse(r, kind::kCashCancel);
    expect_record(rec, plus(card_declined(), {{resp::message, written(", ", 40)}}));
}

TEST_F(ReplyParser, Company5240SendsValue1AsText) {
    ReplyFields r = card_reply("O");
    r.set(4, "5240").set(17, "AB12CD34EF").set(19, "7");
    parse(r, kind::kF1Approval);
    std::vector<Expect> e = card_common("0000");
    e[1] = {resp::issuer_code, "40"};
    expect_record(rec, plus(e, {{resp::auth_no, written("12345678", 12)},
                                {resp::message, written(kNormal, 40)},
                                {resp::value1, written("AB12CD34", 9)},
                                {resp::value2, written("", 9)},  // value 1's first NUL
                                {resp::value3, "000000007"},
                                {{402, 1}, " "}}));
}

TEST_F(ReplyParser, Company5240DeclinedStillSendsValue1) {
    ReplyFields r = card_reply("N");
    r.set(4, "5240").set(17, "-12");
    parse(r, kind::kF2Cancel);
    std::vector<Expect> e = card_declined();
    e[1] = {resp::issuer_code, "40"};
    expect_record(rec, plus(e, {{resp::message, written(kNormal + ", 12345678", 40)},
                                {resp::value1, written("-12", 9)}}));
}

TEST_F(ReplyParser, ApprovalIsTheCapitalOAlone) {
    struct Case {
        const char* flag;
        const char* resp_code;
    };
    const Case cases[] = {{"O", "0000"}, {"OK", "0000"}, {"o", "8324"}, {"", "8324"}, {"0", "8324"}, {"X", "8324"}};
    for (const Case& c : cases) {
        ResponseRecord fresh;
        std::string body = ReplyFields{{3, c.flag}}.body();
        EXPECT_EQ(parse_reply(fresh.data(), body.data(), static_cast<int>(body.size()), kind::kCashApproval),
                  BackupRouteResult::not_sent);
        EXPECT_EQ(field_text(fresh.data(), resp::resp_code), c.resp_code) << "flag \"" << c.flag << "\"";
    }
}

TEST_F(ReplyParser, Kind70ApprovedFixedIssuerAndFormattedValue1) {
    ReplyFields r = card_reply("O");
    r.set(20, "ABCDEFGHIJKLMNOP").set(18, "1234").set(19, "77").set(17, "5");
    parse(r, kind::k70Approval);
    expect_record(rec, {{resp::resp_code, "0000"},
                        {resp::issuer_code, "45"},
                        {resp::issuer_name, written(kKookmin, 20)},
                        {resp::acquirer_code, ".."},
                        {resp::acquirer_name, written(kBc, 20)},
                        {resp::merchant_no, "123456789012345"},
                        {resp::tran_datetime, "240611123045"},
                        {resp::auth_no, written("12345678", 12)},
                        {resp::card_class, "1"},
                        {resp::message, written(kNormal, 40)},
                        {resp::info_line1, written("ABCDEFGHIJKLMNOP", 24)},
                        {resp::info_line2, written("LINE 21", 24)},
                        {resp::info_line3, written("LINE 22", 24)},
                        {resp::value1, " L0001234"},
                        {resp::value2, "000000077"},
                        {resp::value3, "000000005"},
                        {{402, 1}, " "}});
}

TEST_F(ReplyParser, Kind70DeclinedMapsCodesAndKeepsValue1Digits) {
    ReplyFields r = card_reply("N");
    r.set(20, "SHORT").set(18, "12345678");
    parse(r, kind::k70Cancel);
    expect_record(rec, {{resp::resp_code, "8324"},
                        {resp::issuer_code, "01"},
                        {resp::issuer_name, written(kKookmin, 20)},
                        {resp::acquirer_code, "03"},
                        {resp::acquirer_name, written(kBc, 20)},
                        {resp::merchant_no, "123456789012345"},
                        {resp::tran_datetime, "240611123045"},
                        {resp::auth_no, written("", 12)},
                        {resp::card_class, "1"},
                        {resp::message, written(kNormal + ", 12345678", 40)},
                        {resp::info_line1, written("SHORT", 24)},
                        {resp::info_line2, written("LINE 21", 24)},
                        {resp::info_line3, written("LINE 22", 24)},
                        {resp::value1, "  1234567"},  // field 20 has no 12th character
                        {resp::value2, "000000000"},
                        {resp::value3, "000001000"},
                        {{402, 1}, " "}});
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
        {"LINE ONE", "00000200", "  0000200"},
        {std::string("abc\0defghijk", 12), "4321", "  0004321"},  // the text ends at its NUL
        {"ABCDEFGHIJKL", "-5", " L0000000"},
        {"ABCDEFGHIJKLMNOP", "12345678", " L1234567"},  // an eighth digit is cut
        {"", "", "  0000000"},
    };
    for (const Case& c : cases) {
        ResponseRecord fresh;
        for (int kind : {kind::k70Approval, kind::k70Cancel}) {
            std::string body = card_reply(kind == kind::k70Approval ? "O" : "N").set(20, c.line20).set(18, c.number18).body();
            EXPECT_EQ(parse_reply(fresh.data(), body.data(), static_cast<int>(body.size()), kind),
                      BackupRouteResult::not_sent);
            EXPECT_EQ(fresh.shown().substr(resp::value1.offset, 9), c.shown)
                << "field 20 [" << c.line20 << "], field 18 " << c.number18 << ", kind " << kind;
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
    EXPECT_EQ(parse(r, kind::k90Approval), 0);
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
                        {{402, 1}, " "}});
}

TEST_F(ReplyParser, Kind90DeclinedSkipsAuthNo) {
    ReplyFields r{{1, "LINE1"}, {2, "LINE2"}, {3, "N"}, {14, "CO"}, {15, "1100"}, {23, "AUTH9"}};
    parse(r, kind::k90Cancel);
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
                        {{402, 1}, " "}});
}

ReplyFields points_reply(const char* flag) {
    return ReplyFields{{1, "NO MEMBER"},   {2, "CALL"},          {3, flag},       {6, "PTMERCHANT00001"},
                       {7, "2406111230450"}, {14, kPointKeys},  {15, "1200"},    {17, ""},
                       {18, "1500"},         {19, "-5"},          {20, "POINTS SAVED"}, {21, "BALANCE 1500"},
                       {23, "PT01"}};
}

std::vector<Expect> points_common(const char* resp_code) {
    return {{resp::resp_code, resp_code},
            {resp::pt_date, "20240611"},
            {resp::pt_time, "123045"},
            {{77, 1}, " "},
            {resp::pt_company_code, "36"},
            {resp::pt_company_name, written(kPoint, 20)},
            {resp::pt_merchant_no, "PTMERCHANT00001"},
            {resp::pt_value1, "000001500"},
            {resp::pt_value2, "000000000"},
            {resp::pt_value3, "000000000"}};
}

TEST_F(ReplyParser, PointsApproved) {
    parse(points_reply("O"), kind::kPointsFirst);
    expect_record(rec, plus(points_common("0000"), {{resp::pt_auth_no, written("PT01", 12)},
                                                     {resp::pt_message, written("POINTS SAVED", 40)},
                                                     {resp::pt_line1, written("BALANCE 1500", 24)}}));
}

TEST_F(ReplyParser, PointsDeclinedKind64SaysMemberInfoMissing) {
    parse(points_reply("N"), kind::kPointsLast);
    expect_record(rec, plus(points_common("8324"),
                            {{resp::pt_message, written("NO MEMBERCALL", 40)},
                             {resp::pt_line1, written("\xC8\xB8\xBF\xF8\xC1\xA4\xBA\xB8\x20\xBA\xCE\xC1\xB7", 24)},
                             {resp::pt_line2, written("BALANCE 1500", 24)}}));
}

TEST_F(ReplyParser, PointsDeclinedOtherKindsCopyField20) {
    parse(points_reply("N"), 61);
    expect_record(rec, plus(points_common("8324"), {{resp::pt_message, written("NO MEMBERCALL", 40)},
                                                     {resp::pt_line1, written("POINTS SAVED", 24)},
                                                     {resp::pt_line2, written("BALANCE 1500", 24)}}));
}

TEST_F(ReplyParser, ApprovedWithEveryOtherFieldMissing) {
    ReplyFields only_flag{{3, "O"}};
    ResponseRecord card, k70, k90, points;
    std::string body = only_flag.body();
    int n = static_cast<int>(body.size());
    EXPECT_EQ(parse_reply(card.data(), body.data(), n, kind::kCardApproval), BackupRouteResult::not_sent);
    EXPECT_EQ(parse_reply(k70.data(), body.data(), n, kind::k70Approval), BackupRouteResult::not_sent);
    EXPECT_EQ(parse_reply(k90.data(), body.data(), n, kind::k90Approval), BackupRouteResult::not_sent);
    EXPECT_EQ(parse_reply(points.data(), body.data(), n, 62), BackupRouteResult::not_sent);
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
    EXPECT_EQ(k70.shown().substr(375, 28), std::string("  0000000") + "000000000" + "000000000" + " ");
    EXPECT_EQ(k90.shown().substr(375, 28), std::string("000000000") + "000000000" + "000000000" + " ");
    EXPECT_EQ(points.shown().substr(195, 27), std::string("000000000") + "000000000" + "000000000");
    EXPECT_EQ(points.shown().substr(63, 15), "20 ..... ......");  // pt_date "20", pt_time empty
}

TEST_F(ReplyParser, UnknownKindsLeaveTheRecordAlone) {
    for (int k : {kind::kManagement, 3, 13, 59, 65, -1}) {
        ResponseRecord fresh;
        std::string body = card_reply("O").body();
        EXPECT_EQ(parse_reply(fresh.data(), body.data(), static_cast<int>(body.size()), k),
                  BackupRouteResult::not_sent);
        EXPECT_EQ(fresh.shown(), std::string(resp::kSize, '.')) << "kind " << k;
    }
}

TEST_F(ReplyParser, ReplyBytesAreNotChanged) {
    const std::string body = card_reply("O").body();
    std::string copy = body;
    EXPECT_EQ(parse_reply(rec.data(), copy.data(), static_cast<int>(copy.size()), kind::kCardApproval),
              BackupRouteResult::not_sent);
    EXPECT_EQ(copy, body);
}

TEST_F(ReplyParser, OversizedRepliesAreBounded) {
    // 5000 bytes with runs of 300 keystrokes and a field 46 declaring 9999.
    std::string body = "\x02" "0000RP" "\x1C" + kNormalKeys + "\x1C" "\x0E" + std::string(300, 'R') + "\x0F" "\x1C" "O";
    body += std::string(43, '\x1C') + "9999";
    body.resize(5000, 'Z');
    std::string copy = body;
    EXPECT_EQ(parse_reply(rec.data(), copy.data(), static_cast<int>(copy.size()), kind::kCardApproval),
              BackupRouteResult::not_sent);
    EXPECT_EQ(field_text(rec.data(), resp::resp_code), "0000");
    EXPECT_EQ(rec.shown().substr(resp::message.offset, 9), kNormal + " ");
    EXPECT_EQ(copy, body);
}

// The hand-over of a cancellation the primary host declined.
int g_handover_calls = 0;
BackupRouteResult handover_sent(char* response) {
    ++g_handover_calls;
    put_exact(response, resp::resp_code, "BKUP");
    return BackupRouteResult::answered;
}
BackupRouteResult handover_not_sent(char*) {
    ++g_handover_calls;
    return BackupRouteResult::not_sent;
}

constexpr char kHandoverLine[] = "Don't find CANCLE so Send to BACKUP";

bool logged(const test::AppDir& d, const std::string& line) {
    auto lines = d.log_lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ReplyParser, DeclinedCancellationOnPrimaryRouteGoesToBackup) {
    g_handover_calls = 0;
    platform::seams().backup_handover = handover_sent;
    EXPECT_EQ(parse(card_reply("N"), kind::kCardCancel), 1);
    EXPECT_EQ(g_handover_calls, 1);
    expect_record(rec, {{resp::resp_code, "BKUP"}});
    EXPECT_TRUE(logged(dir, kHandoverLine));
}

TEST_F(ReplyParser, HandOverThatSendsNothingFillsAsDeclined) {
    g_handover_calls = 0;
    platform::seams().backup_handover = handover_not_sent;
    EXPECT_EQ(parse(card_reply("N"), kind::kCardCancel), 0);
    EXPECT_EQ(g_handover_calls, 1);
    expect_record(rec, plus(card_declined(), {{resp::message, written(kNormal + ", 12345678", 40)}}));
    EXPECT_TRUE(logged(dir, kHandoverLine));
}

TEST_F(ReplyParser, WithoutHandOverTheCancellationIsFilledAsDeclined) {
    platform::seams().backup_handover = nullptr;
    EXPECT_EQ(parse(card_reply("N"), kind::kCardCancel), 0);
    expect_record(rec, plus(card_declined(), {{resp::message, written(kNormal + ", 12345678", 40)}}));
    EXPECT_FALSE(logged(dir, kHandoverLine));
}

TEST_F(ReplyParser, OnlyADeclinedKind4IsHandedOver) {
    g_handover_calls = 0;
    platform::seams().backup_handover = handover_sent;
    parse(card_reply("O"), kind::kCardCancel);
    parse(card_reply("N"), kind::kCardApproval);
    parse(card_reply("N"), kind::kF2Cancel);
    EXPECT_EQ(g_handover_calls, 0);
}

}  // namespace
}  // namespace zpos
