// The backup route through the real test backup library and server.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "backup/backup_route.h"
#include "backup/handover.h"
#include "entry/call.h"
#include "platform/seams.h"
#include "support/route.h"
#include "tests/backup/backup_fixture.h"
#include "tests/common/print.h"
#include "tests/common/response_view.h"

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
    ResponseRecord response;

    int send() { return static_cast<int>(send_backup_route(g_module, response.data(), kFramed.c_str(), 6, 2)); }
};

// What an approval of approval_fields() fills; the refusal's differences.
std::vector<Expect> approval_fill() {
    return {{resp::resp_code, "0000"},
            {resp::issuer_code, "01"},
            {resp::issuer_name, written("BC CARD", 20)},
            {resp::acquirer_code, "03"},
            {resp::acquirer_name, written("KB CARD", 20)},
            {resp::merchant_no, "123456789012345"},
            {resp::tran_datetime, "261206101500"},
            {resp::auth_no, written("30012345", 12)},
            {resp::card_class, "1"},
            {resp::message, written("APPROVED", 40)},
            {resp::info_line1, written("LINE ONE", 24)},
            {resp::info_line2, written("LINE TWO", 24)},
            {resp::info_line3, written("LINE THREE", 24)}};
}

// The code "0300" of CALL CENTER's place is not in the table: its NUL alone
// reaches acquirer_code; the NUL after the date is all that reaches auth_no.
std::vector<Expect> refusal_fill() {
    return overlay(approval_fill(), {{resp::resp_code, "8324"},
                                     {resp::acquirer_code, " ."},
                                     {resp::auth_no, written("", 12)},
                                     {resp::message, written("REFUSED, CALL CENTER", 40)}});
}

// The default port, then one the module set.
TEST_F(BackupRoute, SendsTheFramedRequestToItsPort) {
    dir.server.answer_fields(approval_fields());
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(dir.server.requests(), std::vector<std::string>{kFramed});
    EXPECT_TRUE(dir.logged("BACK UP DLL Return OK"));
    g_module.call.backup_port = 4321;
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(dir.calls(), (std::vector<std::string>{"DataProcess_NVR 127.0.0.1 9816 024142430343",
                                                     "DataProcess_NVR 127.0.0.1 4321 024142430343"}));
}

TEST_F(BackupRoute, ApprovalAndRefusalFill) {
    dir.server.answer_fields(approval_fields());
    EXPECT_EQ(send(), 1);
    expect_record(response, approval_fill());
    ResponseRecord refused;
    dir.server.answer_fields(with_code(approval_fields(), "8100"));
    EXPECT_EQ(send_backup_route(g_module, refused.data(), kFramed.c_str(), 6, 2), BackupRouteResult::answered);
    expect_record(refused, refusal_fill());
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
    expect_record(response, overlay(approval_fill(), {{resp::issuer_name, written("ABCDEFGHIJKL", 20)},
                                                      {resp::acquirer_code, "  "},
                                                      {resp::acquirer_name, written("", 20)},
                                                      {resp::auth_no, "123456789012"},
                                                      {after(resp::auth_no), " "},
                                                      {resp::message, written("0123456789ABCDEF", 40)},
                                                      {resp::info_line1, std::string(24, 'x')}}));
    ResponseRecord other_class;
    f[10] = "C";
    dir.server.answer_fields(f);
    EXPECT_EQ(send_backup_route(g_module, other_class.data(), kFramed.c_str(), 6, 2), BackupRouteResult::answered);
    EXPECT_EQ(other_class.shown(resp::card_class), ".");  // a class other than D leaves the byte
}

TEST_F(BackupRoute, ReplyWithoutEtxIsReadToTheEnd) {
    // Fields after the seventeenth are dropped; no ETX closes the reply.
    std::string bytes = "ZLTA\x1c" "0000\x1c" "0100\x1c" "BC\x1c" "M\x1c" "KB\x1c" "2612\x1c\x1c" "A1\x1c\x1c"
                        "\x1c" "OK\x1c" "0300\x1c" "L1\x1c" "L2\x1c" "L3\x1c" "L4\x1c" "EXTRA";
    dir.server.answer_raw(bytes);
    EXPECT_EQ(send(), 1);
    EXPECT_EQ(response.shown(resp::resp_code), "0000");
    EXPECT_EQ(response.shown(resp::auth_no), written("A1", 12));
    EXPECT_EQ(response.shown(resp::message), written("OK", 40));
    EXPECT_EQ(response.shown(resp::info_line3), written("L3", 24));
}

// "3600" and "2000": the backup server does not hold the approval; a library
// that cannot be used gives -8 and the route back to primary, the record
// untouched. (A call that returns false is a row of the fault matrix.)
struct Fallback {
    const char* name;
    BackupDir::Lib lib;
    const char* code;
    RouteMode mode;
    BackupRouteResult result;
    bool filled;
    bool to_primary;
    const char* log;
};

class BackupRouteFallback : public ::testing::TestWithParam<Fallback> {};

TEST_P(BackupRouteFallback, ResultFillAndRoute) {
    const Fallback& c = GetParam();
    BackupDir dir(c.lib);
    dir.write_settings("[VANCFG]\nVANID=2\nEOT_CNT=3\n");
    dir.server.answer_fields(with_code(approval_fields(), c.code));
    if (c.mode == RouteMode::backup)
        dir.take_backup_route();
    else
        route_primary_for_call(g_module);
    ResponseRecord response;
    EXPECT_EQ(send_backup_route(g_module, response.data(), kFramed.c_str(), 6, 4), c.result);
    expect_record(response, c.filled ? refusal_fill() : std::vector<Expect>{});
    EXPECT_TRUE(dir.logged(c.log)) << c.log;
    EXPECT_EQ(dir.logged("BACK UP DLL Return OK"), c.result != BackupRouteResult::unusable);
    EXPECT_EQ(g_module.route, c.to_primary || c.mode == RouteMode::primary ? RouteMode::primary : RouteMode::backup);
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), c.to_primary ? "1" : "2");
    EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), c.to_primary ? "0" : "3");
}

constexpr BackupDir::Lib kFull = BackupDir::Lib::full;
constexpr BackupRouteResult kUnknown = BackupRouteResult::unknown;
constexpr const char* kNotHeld = "org auth is not exist to BACKUP server ";
INSTANTIATE_TEST_SUITE_P(
    All, BackupRouteFallback,
    ::testing::Values(
        Fallback{"Code3600OnBackupRoute", kFull, "3600", RouteMode::backup, kUnknown, false, false, kNotHeld},
        Fallback{"Code2000OnBackupRoute", kFull, "2000", RouteMode::backup, kUnknown, false, true, kNotHeld},
        Fallback{"Code3600OnPrimaryRoute", kFull, "3600", RouteMode::primary, kUnknown, true, false, kNotHeld},
        Fallback{"Code2000OnPrimaryRoute", kFull, "2000", RouteMode::primary, kUnknown, true, true, kNotHeld},
        Fallback{"NoLibrary", BackupDir::Lib::none, "", RouteMode::backup, BackupRouteResult::unusable, false, true,
                 "BACK UP DLL load Fail"},
        Fallback{"NoDataProcess", BackupDir::Lib::no_exports, "", RouteMode::backup, BackupRouteResult::unusable,
                 false, true, "BACK UP DLL get  DataProcess Fail"}),
    RowName{});

// The hand-over sends the saved request's cancellation.
class BackupHandover : public BackupRoute {};

TEST_F(BackupHandover, SendsTheCancellationOfTheSavedRequest) {
    FixedClock clock{1700049600};
    std::memcpy(g_module.call.saved_request, card_request("000010000").data(), req::kSize);
    dir.server.answer_fields(approval_fields());
    EXPECT_EQ(backup_handover(g_module, response.data()).result, BackupRouteResult::answered);
    EXPECT_EQ(dir.server.requests(),
              std::vector<std::string>{with_check(
                  BackupMessage{.code = "1102", .date = "231101", .org_auth_no = "12345678    "}.text())});
    expect_record(response, approval_fill());
}

TEST_F(BackupHandover, RequestNotBuiltLeavesTheRecordToTheParser) {
    Request r = card_request("000010000");
    r.set(req::term_id, "1450019998");
    std::memcpy(g_module.call.saved_request, r.data(), req::kSize);
    EXPECT_EQ(backup_handover(g_module, response.data()).result, BackupRouteResult::not_sent);
    expect_record(response, {});
    EXPECT_TRUE(dir.server.requests().empty());
    auto lines = dir.log_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Don't BACKUP TID[1450019998]");
    EXPECT_EQ(lines.back(), " pack_len[-2] rtn[0] ");
}

}  // namespace
}  // namespace zpos::test
