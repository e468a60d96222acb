// The backup route through the real test backup library and server: the
// approval and refusal fills, the two codes for an unknown approval in both
// route modes, the library failures, and the parser's hand-over.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "backup/backup_route.h"
#include "backup/handover.h"
#include "entry/call.h"
#include "platform/seams.h"
#include "reply/parser.h"
#include "support/route.h"
#include "tests/backup/backup_fixture.h"
#include "tests/common/print.h"

namespace zpos::test {
namespace {

// STX "ABC" ETX and its check byte 'A' ^ 'B' ^ 'C' ^ ETX = 'C'.
const std::string kFramed = "\x02" "ABC\x03" "C";

// Reply fields 0 to 16 with every limit in reach.
std::vector<std::string> approval_fields() {
    return {"ZLTA1100", "0000", "0100", "BC CARD", "123456789012345", "KB CARD", "2612061015001",
            "unused", "30012345", "", "D", "APPROVED", "0300", "LINE ONE", "LINE TWO", "LINE THREE", ""};
}

std::vector<std::string> with_code(std::vector<std::string> f, const char* code) {
    f[1] = code;
    f[8] = "";
    f[11] = "REFUSED";
    f[12] = "CALL CENTER";
    return f;
}

class BackupRoute : public ::testing::Test {
protected:
    BackupDir dir;
    std::string response = dots();

    int send() { return static_cast<int>(send_backup_route(g_call, response.data(), kFramed.c_str(), 6, 2)); }
    std::string at(Field f) const { return field(response.data(), f); }
    bool logged(const std::string& line) const {
        auto lines = dir.log_lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(BackupRoute, SendsTheFramedRequestToTheDefaultPort) {
    dir.server.answer_fields(approval_fields());
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(dir.server.requests(), std::vector<std::string>{kFramed});
    EXPECT_EQ(dir.calls(), std::vector<std::string>{"DataProcess_NVR 127.0.0.1 9816 024142430343"});
    EXPECT_TRUE(logged("BACK UP DLL Return OK"));
}

TEST_F(BackupRoute, PortSetByTheModuleIsHandedOver) {
    platform::seams().backup_port = 4321;
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(dir.calls(), std::vector<std::string>{"DataProcess_NVR 127.0.0.1 4321 024142430343"});
}

TEST_F(BackupRoute, ApprovalFill) {
    dir.server.answer_fields(approval_fields());
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(at(resp::resp_code), "0000");
    EXPECT_EQ(at(resp::issuer_code), "01");
    EXPECT_EQ(at(resp::issuer_name), written("BC CARD", 20));
    EXPECT_EQ(at(resp::acquirer_code), "03");
    EXPECT_EQ(at(resp::acquirer_name), written("KB CARD", 20));
    EXPECT_EQ(at(resp::merchant_no), "123456789012345");
    EXPECT_EQ(at(resp::tran_datetime), "261206101500");
    EXPECT_EQ(at(resp::auth_no), written("30012345", 12));
    EXPECT_EQ(at(resp::card_class), "1");
    EXPECT_EQ(at(resp::message), written("APPROVED", 40));
    EXPECT_EQ(at(resp::info_line1), written("LINE ONE", 24));
    EXPECT_EQ(at(resp::info_line2), written("LINE TWO", 24));
    EXPECT_EQ(at(resp::info_line3), written("LINE THREE", 24));
    // Nothing outside the written fields moved.
    EXPECT_EQ(response.substr(0, 55), std::string(55, '.'));
    EXPECT_EQ(response.substr(59, 108), std::string(108, '.'));
    EXPECT_EQ(response.substr(375), std::string(75, '.'));
}

TEST_F(BackupRoute, RefusalFill) {
    dir.server.answer_fields(with_code(approval_fields(), "8100"));
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(at(resp::resp_code), "8324");
    EXPECT_EQ(at(resp::issuer_code), "01");
    EXPECT_EQ(at(resp::issuer_name), written("BC CARD", 20));
    EXPECT_EQ(at(resp::acquirer_code), std::string("\0.", 2));
    EXPECT_EQ(at(resp::acquirer_name), written("KB CARD", 20));
    EXPECT_EQ(at(resp::merchant_no), "123456789012345");
    EXPECT_EQ(at(resp::tran_datetime), "261206101500");
    // The NUL after the date is all that reaches auth_no.
    EXPECT_EQ(at(resp::auth_no), std::string("\0", 1) + std::string(11, '.'));
    EXPECT_EQ(at(resp::card_class), "1");
    EXPECT_EQ(at(resp::message), written("REFUSED, CALL CENTER", 40));
    EXPECT_EQ(at(resp::info_line3), written("LINE THREE", 24));
}

TEST_F(BackupRoute, FieldsAreCutAtTheirLimits) {
    auto f = approval_fields();
    f[2] = "010099";                  // four characters count
    f[3] = "ABCDEFGHIJKLMNOP";        // 12
    f[5] = "";                        // empty field
    f[8] = "1234567890123456";        // 12
    f[10] = "DD";                     // 1: still "D"
    f[11] = "0123456789ABCDEFGHIJ";   // 16
    f[12] = "9999";                   // not in the table
    f[13] = std::string(30, 'x');     // 24
    dir.server.answer_fields(f);
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(at(resp::issuer_code), "01");
    EXPECT_EQ(at(resp::issuer_name), written("ABCDEFGHIJKL", 20));
    EXPECT_EQ(at(resp::acquirer_code), "  ");
    EXPECT_EQ(at(resp::acquirer_name), written("", 20));
    EXPECT_EQ(at(resp::auth_no), "123456789012");
    EXPECT_EQ(at(resp::card_class), "1");
    EXPECT_EQ(at(resp::message), written("0123456789ABCDEF", 40));
    EXPECT_EQ(at(resp::info_line1), std::string(24, 'x'));
}

TEST_F(BackupRoute, CardClassOtherThanDLeavesTheByte) {
    auto f = approval_fields();
    f[10] = "C";
    dir.server.answer_fields(f);
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(at(resp::card_class), ".");
}

TEST_F(BackupRoute, ReplyWithoutEtxIsReadToTheEnd) {
    // Fields after the seventeenth are dropped; no ETX closes the reply.
    std::string bytes = "ZLTA\x1c" "0000\x1c" "0100\x1c" "BC\x1c" "M\x1c" "KB\x1c" "2612\x1c\x1c" "A1\x1c\x1c"
                        "\x1c" "OK\x1c" "0300\x1c" "L1\x1c" "L2\x1c" "L3\x1c" "L4\x1c" "EXTRA";
    dir.server.answer_raw(bytes);
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(at(resp::resp_code), "0000");
    EXPECT_EQ(at(resp::auth_no), written("A1", 12));
    EXPECT_EQ(at(resp::message), written("OK", 40));
    EXPECT_EQ(at(resp::info_line3), written("L3", 24));
}

// "3600" and "2000": the backup server does not hold the approval.
struct Unknown {
    const char* name;
    const char* code;
    RouteMode mode;
    bool filled;
    bool to_primary;
};

class BackupRouteUnknown : public ::testing::TestWithParam<Unknown> {};

TEST_P(BackupRouteUnknown, ResultFillAndRoute) {
    const Unknown& c = GetParam();
    BackupDir dir;
    dir.write_settings("[VANCFG]\nVANID=2\nEOT_CNT=3\n");
    dir.server.answer_fields(with_code(approval_fields(), c.code));
    if (c.mode == RouteMode::backup)
        dir.take_backup_route();
    else
        route_primary_for_call();
    std::string response = dots();
    EXPECT_EQ(send_backup_route(g_call, response.data(), kFramed.c_str(), 6, 4), BackupRouteResult::unknown);
    if (c.filled) {
        EXPECT_EQ(field(response.data(), resp::resp_code), "8324");
        EXPECT_EQ(field(response.data(), resp::message), written("REFUSED, CALL CENTER", 40));
    } else {
        EXPECT_EQ(response, dots());
    }
    auto lines = dir.log_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "org auth is not exist to BACKUP server "), lines.end());
    EXPECT_EQ(route_mode(), c.to_primary || c.mode == RouteMode::primary ? RouteMode::primary : RouteMode::backup);
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), c.to_primary ? "1" : "2");
    EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), c.to_primary ? "0" : "3");
}

INSTANTIATE_TEST_SUITE_P(All, BackupRouteUnknown,
                         ::testing::Values(Unknown{"Code3600OnBackupRoute", "3600", RouteMode::backup, false, false},
                                           Unknown{"Code2000OnBackupRoute", "2000", RouteMode::backup, false, true},
                                           Unknown{"Code3600OnPrimaryRoute", "3600", RouteMode::primary, true, false},
                                           Unknown{"Code2000OnPrimaryRoute", "2000", RouteMode::primary, true, true}),
                         [](const ::testing::TestParamInfo<Unknown>& param) { return std::string(param.param.name); });

// The library cannot be used: -8, the route back to primary, the record untouched.
struct Unusable {
    const char* name;
    BackupDir::Lib lib;
    const char* script;
    bool silent_server;
    const char* log;
};

class BackupRouteUnusable : public ::testing::TestWithParam<Unusable> {};

TEST_P(BackupRouteUnusable, MinusEightAndPrimary) {
    const Unusable& c = GetParam();
    BackupDir dir(c.lib);
    dir.write_settings("[VANCFG]\nVANID=2\nEOT_CNT=3\n");
    dir.script(c.script);
    if (c.silent_server) dir.server.answer(BackupAnswer::none);
    dir.take_backup_route();
    std::string response = dots();
    EXPECT_EQ(send_backup_route(g_call, response.data(), kFramed.c_str(), 6, 2), BackupRouteResult::unusable);
    EXPECT_EQ(response, dots());
    auto lines = dir.log_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.log), lines.end()) << c.log;
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "BACK UP DLL Return OK"), lines.end());
    EXPECT_EQ(route_mode(), RouteMode::primary);
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), "1");
    EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    All, BackupRouteUnusable,
    ::testing::Values(Unusable{"NoLibrary", BackupDir::Lib::none, "", false, "BACK UP DLL load Fail"},
                      Unusable{"NoDataProcess", BackupDir::Lib::no_exports, "", false,
                               "BACK UP DLL get  DataProcess Fail"},
                      Unusable{"CallReturnsFalse", BackupDir::Lib::full, "process_result=0\n", false,
                               "Call ret false"},
                      Unusable{"ServerDoesNotAnswer", BackupDir::Lib::full, "wait_ms=200\n", true,
                               "Call ret false"}),
    [](const ::testing::TestParamInfo<Unusable>& param) { return std::string(param.param.name); });

// The parser's hand-over of a declined cancellation.
class BackupHandover : public BackupRoute {};

TEST_F(BackupHandover, SendsTheCancellationOfTheSavedRequest) {
    FixedClock clock{1700049600};
    Request r = card_request("000010000");
    std::memcpy(g_call.saved_request, r.data(), req::kSize);
    dir.server.answer_fields(approval_fields());
    EXPECT_EQ(backup_handover(g_call, response.data()), BackupRouteResult::answered);
    // The kind-4 backup request, then its check byte.
    auto got = dir.server.requests();
    ASSERT_EQ(got.size(), 1u);
    const std::string track = "c_ha`abc`abc`abclad`a`_`" + std::string(16, ' ');
    EXPECT_EQ(got[0].substr(0, got[0].size() - 1),
              STX + "ZLTA" + FS + "1102" + FS + "1200000001" + FS + "20" + FS + track + FS + FS + "00" + FS +
                  "00010000" + FS + "00000500" + FS + "00000300" + FS + "231101" + FS + "12345678    " + FS +
                  "N" + std::string(12, '\x1c') + ETX);
    EXPECT_EQ(got[0].size(), 132u);
    unsigned char check = 0;
    for (std::size_t i = 1; i + 1 < got[0].size(); ++i) check ^= static_cast<unsigned char>(got[0][i]);
    EXPECT_EQ(static_cast<unsigned char>(got[0].back()), check);
    EXPECT_EQ(at(resp::resp_code), "0000");
    EXPECT_EQ(at(resp::auth_no), written("30012345", 12));
}

TEST_F(BackupHandover, RequestNotBuiltLeavesTheRecordToTheParser) {
    Request r = card_request("000010000");
    r.set(req::term_id, "1450019998");
    std::memcpy(g_call.saved_request, r.data(), req::kSize);
    EXPECT_EQ(backup_handover(g_call, response.data()), BackupRouteResult::not_sent);
    EXPECT_EQ(response, dots());
    EXPECT_TRUE(dir.server.requests().empty());
    auto lines = dir.log_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Don't BACKUP TID[1450019998]");
    EXPECT_EQ(lines.back(), " pack_len[-2] rtn[0] ");
}

// The parser hands a declined cancellation over once the hand-over is installed.
class ParserHandover : public BackupHandover {
protected:
    ParserHandover() {
        platform::seams().backup_handover = [](char* record) { return backup_handover(g_call, record); };
    }
    ~ParserHandover() override { platform::seams().backup_handover = nullptr; }

    // A declined host reply: frame byte, six header bytes, fields 0 to 3
    // (field 3 "X": not approved), check byte.
    int parse_declined_cancellation() {
        const std::string reply = "\x02" "HEADER" "F0\x1c" "HOST MSG1\x1c" "HOST MSG2\x1c" "X" "\x00";
        return static_cast<int>(parse_reply(response.data(), reply.data(), static_cast<int>(reply.size()), 4));
    }
};

TEST_F(ParserHandover, BackupRouteFillsTheRecord) {
    FixedClock clock{1700049600};
    std::memcpy(g_call.saved_request, card_request("000010000").data(), req::kSize);
    dir.server.answer_fields(approval_fields());
    EXPECT_EQ(parse_declined_cancellation(), 1);
    EXPECT_EQ(dir.server.requests().size(), 1u);
    EXPECT_EQ(at(resp::resp_code), "0000");
    EXPECT_EQ(at(resp::message), written("APPROVED", 40));
    auto lines = dir.log_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Don't find CANCLE so Send to BACKUP"), lines.end());
}

TEST_F(ParserHandover, UnbuiltRequestLeavesTheHostsRefusal) {
    Request r = card_request("000010000");
    r.set(req::term_id, "1450019998");
    std::memcpy(g_call.saved_request, r.data(), req::kSize);
    EXPECT_EQ(parse_declined_cancellation(), 0);
    EXPECT_TRUE(dir.server.requests().empty());
    EXPECT_EQ(at(resp::resp_code), "8324");
    EXPECT_EQ(at(resp::message), written("HOST MSG1, HOST MSG2", 40));
}

}  // namespace
}  // namespace zpos::test
