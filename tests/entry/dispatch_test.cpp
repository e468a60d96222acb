// Zelta_Send and Zelta_OKCashbag with stand-in transaction paths: the response
// head, the dispatch rows, the echoes, refusals, notices, the end of call; and
// the track split of the card paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "entry/call.h"
#include "entry/send_paths.h"
#include "platform/seams.h"
#include "support/korean_texts.h"
#include "support/results.h"
#include "support/route.h"
#include "tests/common/app_dir.h"
#include "tests/common/print.h"
#include "tests/common/records_helper.h"
#include "tests/common/response_view.h"
#include "zposapp.h"

namespace zpos::test {
namespace {

// What the stand-in paths saw and what they answer.
struct Calls {
    std::vector<std::string> paths;  // "cheque", "card 2", "points 63"...
    int auto_acks = 0;
    RouteMode route_mode_seen = RouteMode::primary;
    int result = 1;
    const char* resp_code = "0000";
} g_calls;

SendResult answer(const std::string& path, char* response) {
    g_calls.paths.push_back(path);
    std::memcpy(response + resp::resp_code.offset, g_calls.resp_code, 4);
    g_calls.route_mode_seen = g_module.route;
    return static_cast<SendResult>(g_calls.result);
}
SendResult cheque(char*, char* response) { return answer("cheque", response); }
SendResult card(char*, char* response, int kind) { return answer("card " + std::to_string(kind), response); }
SendResult points(char*, char* response, int kind) { return answer("points " + std::to_string(kind), response); }
AutoAckResult auto_ack() {
    ++g_calls.auto_acks;
    return AutoAckResult::eot;
}

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls = Calls{};
        send_path_stand_ins() = {cheque, card, points, auto_ack};
    }
    void TearDown() override { send_path_stand_ins() = {}; }

    int send(const Request& r, int port = 10902) {
        response.fill('#');
        return Zelta_Send("127.0.0.1", port, r.data(), response.data());
    }
    std::string out(Field f) const { return field(response.data(), f); }

    AppDir dir;
    NoticeCapture notices;
    std::array<char, resp::kSize> response{};
};

struct Row {
    const char* msg_type;
    const char* tran_kind;
    const char* pt_sub;
    const char* path;  // nullptr: refused
    bool forced_primary;
};

class DispatchRows : public EntryTest, public ::testing::WithParamInterface<Row> {};

TEST_P(DispatchRows, ChooseThePathAndKind) {
    const Row& row = GetParam();
    dir.write_settings("[VANCFG]\nVANID=2\nTOGGLE_TIME=9999999999\n");  // backup route in force
    Request r(row.msg_type, row.tran_kind);
    if (row.pt_sub) r.set(req::pt_sub, row.pt_sub);
    int result = send(r);
    if (!row.path) {
        EXPECT_EQ(result, -1);
        EXPECT_TRUE(g_calls.paths.empty());
        EXPECT_EQ(out(resp::resp_code), "NOTX");
        return;
    }
    EXPECT_EQ(result, 1);
    ASSERT_EQ(g_calls.paths.size(), 1u);
    EXPECT_EQ(g_calls.paths[0], row.path);
    EXPECT_EQ(g_calls.route_mode_seen, row.forced_primary ? RouteMode::primary : RouteMode::backup);
    EXPECT_EQ(g_module.call.host_port, 10902);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DispatchRows,
    ::testing::Values(Row{"0200", "20", nullptr, "cheque", false}, Row{"0420", "20", nullptr, "cheque", false},
                      Row{"0200", "10", nullptr, "card 2", false}, Row{"0420", "10", nullptr, nullptr, false},
                      Row{"0420", "30", nullptr, "card 4", false}, Row{"0200", "30", nullptr, nullptr, false},
                      Row{"0200", "21", nullptr, "card 5", true}, Row{"0420", "21", nullptr, "card 6", true},
                      Row{"0200", "70", nullptr, "card 7", true}, Row{"0420", "70", nullptr, "card 8", true},
                      Row{"0200", "90", nullptr, "card 9", true}, Row{"0420", "90", nullptr, "card 10", true},
                      Row{"0200", "KT", nullptr, "card 2", false}, Row{"0420", "KT", nullptr, "card 4", false},
                      Row{"0200", "40", "01", "points 60", true}, Row{"0420", "40", "11", "points 61", true},
                      Row{"0200", "40", "02", "points 62", true}, Row{"0420", "40", "12", "points 63", true},
                      Row{"0200", "40", "03", "points 64", true}, Row{"0200", "40", "99", nullptr, true},
                      Row{"0200", "F1", nullptr, "card 11", false}, Row{"0420", "F2", nullptr, "card 12", false},
                      Row{"0420", "F1", nullptr, nullptr, false}, Row{"0200", "F2", nullptr, nullptr, false},
                      Row{"0220", "20", nullptr, "cheque", false}, Row{"0220", "10", nullptr, nullptr, false},
                      Row{"0200", "ZZ", nullptr, nullptr, false}),
    [](const auto& c) {
        return std::string(c.param.msg_type) + "_" + c.param.tran_kind + (c.param.pt_sub ? c.param.pt_sub : "");
    });

TEST_F(EntryTest, ResponseHeadAndCardEcho) {
    Request r("0200", "10");
    r.set(req::pos_echo, "POS-ECHO-23-CHARACTERS!").set(req::kind_echo, "ab").set(req::term_id, "1200000042");
    r.set(req::entry_mode, "S").set(req::card_data, "..9410123456789012=2512101");
    r.set(req::install_months, "03").set(req::amt_extra1, "123456789").set(req::amt_extra2, "987654321");
    r.set(req::tran_amt, "000050000");
    send(r);
    EXPECT_EQ(out(resp::rec_len), "0450");
    EXPECT_EQ(out(resp::pos_echo), "POS-ECHO-23-CHARACTERS!");
    EXPECT_EQ(out(resp::msg_type), "0210");
    EXPECT_EQ(out(resp::tran_kind) + out(resp::kind_echo), "10ab");
    EXPECT_EQ(out(resp::head_blank), "          ");
    EXPECT_EQ(out(resp::term_id), "1200000042");
    EXPECT_EQ(out(resp::entry_mode), "S");
    EXPECT_EQ(out(resp::card_data), "..9410123456789012=2512101" + std::string(13, ' '));
    EXPECT_EQ(out(resp::install_months), "03");
    EXPECT_EQ(out(resp::amt_extra1), "123456789");
    EXPECT_EQ(out(resp::amt_extra2), "987654321");
    EXPECT_EQ(out(resp::tran_amt), "000050000");
}

TEST_F(EntryTest, NulInsideAFieldEndsItsEchoAndEveryZeroBecomesABlank) {
    Request r("0200", "10");
    r.set_padded(req::card_data, "1234");
    r.set_padded(req::amt_extra1, "12");
    send(r);
    EXPECT_EQ(out(resp::card_data), "1234" + std::string(35, ' '));
    EXPECT_EQ(out(resp::amt_extra1), "12       ");
    EXPECT_EQ(std::memchr(response.data(), 0, response.size()), nullptr);
    EXPECT_EQ(out(resp::issuer_name), std::string(20, ' '));
}

TEST_F(EntryTest, PointsEchoKeepsTheCardDataArea) {
    Request r("0200", "40");
    r.set(req::pt_media, "03").set(req::pt_sub, "12").set(req::pt_card_data, "PTCARD=4000").set(req::pt_amt, "000001000");
    send(r);
    EXPECT_EQ(out(resp::pt_media) + out(resp::pt_sub), "0312");
    EXPECT_EQ(out(resp::pt_card_data).substr(0, 11), "PTCARD=4000");
    EXPECT_EQ(out(resp::pt_amt), "000001000");
}

TEST_F(EntryTest, UnlistedKindKeepsZeroBytesAfterTheHead) {
    send(Request("0200", "ZZ"));
    EXPECT_EQ(out(resp::resp_code), "NOTX");
    const Field rest = after(resp::resp_code, resp::kSize - after(resp::resp_code).offset);
    EXPECT_EQ(field(response.data(), rest), std::string(rest.width, '\0'));
}

// (Its result is a row of the dispatch table.)
TEST_F(EntryTest, RepeatCancelIsRefusedWithItsText) {
    send(Request("0420", "10"));
    EXPECT_EQ(std::string(response.data() + resp::message.offset), texts::kTextNoRepeatCancel);
}

TEST_F(EntryTest, BalanceInquiryIsRefusedBlankedAndLogged) {
    Request r("0200", "KT");
    r.set(req::tran_amt, "000000001");
    EXPECT_EQ(send(r), -1);
    EXPECT_TRUE(g_calls.paths.empty());
    EXPECT_EQ(out(resp::resp_code), "NOTX");
    EXPECT_EQ(out(resp::message), std::string(texts::kTextNoBalanceInquiry) + std::string(28, ' '));
    EXPECT_EQ(out(resp::tran_amt), "         ");  // the amount echo waits for the path
    EXPECT_EQ(std::memchr(response.data(), 0, response.size()), nullptr);
    auto lines = dir.log_lines();
    ASSERT_EQ(lines.size(), 2u);  // the request, then the refused response
    EXPECT_EQ(field(lines[1].data(), resp::resp_code), "NOTX");
}

TEST_F(EntryTest, BadMessageTypeShowsTheNoticeAndLeavesTheBufferAlone) {
    EXPECT_EQ(send(Request("0300", "10")), -1);
    EXPECT_EQ(notices.notices(), std::vector<std::string>{texts::kNoticeBadMessageType.cp949});
    EXPECT_EQ(std::string(response.data(), 450), std::string(450, '#'));
}

TEST_F(EntryTest, TestPortWarnsOnceUnlessTheTestTerminal) {
    Request r("0200", "10");
    EXPECT_EQ(send(r, 10901), 1);
    EXPECT_EQ(notices.notices(), std::vector<std::string>{texts::kNoticeTestPort.cp949});
    EXPECT_EQ(g_calls.paths.size(), 1u);
    r.set(req::term_id, "1450019998");
    send(r, 10901);
    EXPECT_EQ(notices.notices().size(), 1u);
}

TEST_F(EntryTest, BuilderRefusalReturnsAtOnceForRowsTwoAndFour) {
    g_calls.result = -10;
    g_calls.resp_code = "    ";
    EXPECT_EQ(send(Request("0200", "10")), -10);
    EXPECT_EQ(std::string(response.data(), 450), std::string(450, '#'));
    EXPECT_EQ(g_calls.auto_acks, 0);
}

struct EndCase {
    const char* name;
    const char* resp_code;
    int result;
    const char* route_settings;
    const char* logged_code;  // nullptr: no resp_code line
    int auto_acks;
};

class EndOfCall : public EntryTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndOfCall, LogsTheCodeAndAcknowledgesDeclinesOnThePrimaryRoute) {
    const EndCase& c = GetParam();
    dir.write_settings(c.route_settings);
    g_calls.resp_code = c.resp_code;
    g_calls.result = c.result;
    EXPECT_EQ(send(Request("0200", "10")), c.result);
    EXPECT_EQ(g_calls.auto_acks, c.auto_acks);
    auto lines = dir.log_lines();
    if (c.logged_code) {
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[1], std::string("resp_code[") + c.logged_code + "]");
        EXPECT_EQ(out(resp::resp_code), c.logged_code);
    } else {
        EXPECT_EQ(lines.size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndOfCall,
    ::testing::Values(EndCase{"ApprovalWaitsForTheAck", "0000", 1, "", nullptr, 0},
                      EndCase{"DeclineIsAcknowledged", "8324", 1, "", "8324", 1},
                      EndCase{"DeclineOnBackupRouteIsNot", "8324", 1, "[VANCFG]\nVANID=2\nTOGGLE_TIME=9999999999\n",
                              "8324", 0},
                      EndCase{"NoConnectionShowsCOMM", "    ", -6, "", "COMM", 0},
                      EndCase{"TimeoutIsNotAcknowledged", "Time", -1, "", "Time", 0}),
    RowName{});

TEST_F(EntryTest, CashRowsLogThePortWithLineBreaksAsHex) {
    send(Request("0200", "21"), 10555);
    send(Request("0420", "21"), 10555);
    auto lines = dir.log_lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "[0a]Cash Auth[10555][0a][0a]");
    EXPECT_EQ(lines[4], "[0a]Cash Cancel[10555][0a][0a]");
}

TEST_F(EntryTest, RequestAndResponseAreLoggedMasked) {
    Request r("0200", "10");
    r.set(req::track2, "9410123456789012=2512101");
    send(r);
    auto lines = dir.log_lines();
    ASSERT_EQ(lines.size(), 2u);
    // The log shows the records' printable bytes where they stand.
    EXPECT_EQ(field(lines[0].data(), req::track2).substr(0, 24), "941012345678*********101");
    EXPECT_EQ(field(lines[1].data(), resp::card_data).substr(req::track2.offset - req::card_data.offset, 24),
              "941012345678*********101");
}

TEST_F(EntryTest, SavedRequestIsTheLastZeltaSendRequest) {
    Request first("0200", "10");
    first.set(req::term_id, "1200000001");
    send(first);
    Request points_request("0200", "40");
    points_request.set(req::pt_sub, "01").set(req::term_id, "1200000002");
    response.fill(0);
    Zelta_OKCashbag("127.0.0.1", 10902, points_request.data(), response.data());
    EXPECT_EQ(field(g_module.call.saved_request, req::term_id), "1200000001");
}

TEST_F(EntryTest, OKCashbagTakesOnlyPointsAndAlwaysThePrimaryRoute) {
    const char* backup = "[VANCFG]\nVANID=2\nTOGGLE_TIME=9999999999\n";
    dir.write_settings(backup);
    Request r("0200", "40");
    r.set(req::pt_sub, "12").set(req::pt_track2, "1234567890123456=2512");
    EXPECT_EQ(Zelta_OKCashbag("127.0.0.1", 10901, r.data(), response.data()), 1);
    EXPECT_EQ(g_calls.paths, std::vector<std::string>{"points 63"});
    EXPECT_EQ(g_calls.route_mode_seen, RouteMode::primary);
    EXPECT_TRUE(notices.notices().empty());  // no test-port warning here
    EXPECT_EQ(dir.read_settings(), backup);
    auto lines = dir.log_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(field(lines[0].data(), req::pt_track2).substr(0, 21), "1234567890123456=2512");  // unmasked

    EXPECT_EQ(Zelta_OKCashbag("127.0.0.1", 10902, Request("0200", "10").data(), response.data()), -1);
    EXPECT_EQ(field(response.data(), resp::resp_code), "NOTX");
}

TEST_F(EntryTest, MissingBuffersAreRefusedWithoutTouchingAnything) {
    EXPECT_EQ(Zelta_Send("127.0.0.1", 1, nullptr, response.data()), -1);
    EXPECT_EQ(Zelta_Send("127.0.0.1", 1, Request("0200", "10").data(), nullptr), -1);
    EXPECT_TRUE(g_calls.paths.empty());
}

TEST_F(EntryTest, HostAddressKeepsFifteenCharacters) {
    Zelta_Send("127.000.000.001.trailing", 1, Request("0200", "10").data(), response.data());
    EXPECT_STREQ(g_module.call.host_addr, "127.000.000.001");
    Zelta_Send("", 1, Request("0200", "10").data(), response.data());
    EXPECT_STREQ(g_module.call.host_addr, "");
}

// The track split that feeds the card security store.
struct SplitCase {
    const char* name;
    const char* track;  // NUL-padded to 37 characters
    const char* card_number;
    const char* rest;
};

class SplitTrack : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTrack, CardNumberBeforeTheFirstEqualsRestAfterIt) {
    const SplitCase& c = GetParam();
    char track[37];
    std::memset(track, '\0', sizeof track);
    std::memcpy(track, c.track, std::strlen(c.track));
    char card_number[kCardNumberSize];
    char rest[kTrackRestSize];
    split_track(track, sizeof track, card_number, rest);
    EXPECT_STREQ(card_number, c.card_number);
    EXPECT_STREQ(rest, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTrack,
    ::testing::Values(SplitCase{"Plain", "9410123456789012=2512", "9410123456789012", "2512"},
                      SplitCase{"TwoSeparators", "9410123456789012=25=12", "9410123456789012", "2512"},
                      SplitCase{"NoSeparator", "9410123456789012", "9410123456789012", ""},
                      SplitCase{"LongNumberCutAt21", "1234567890123456789012345=2512", "123456789012345678901",
                                "2512"},
                      SplitCase{"Empty", "", "", ""},
                      SplitCase{"WholeImageAfterTheSeparator", "=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "",
                                "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"}),
    RowName{});

}  // namespace
}  // namespace zpos::test
