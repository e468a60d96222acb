// The backup request through the test backup and pad libraries.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "backup/backup_request.h"
#include "backup/backup_route.h"
#include "entry/call.h"
#include "support/route.h"
#include "tests/backup/backup_fixture.h"
#include "tests/common/print.h"

namespace zpos::test {
namespace {

// 2023-11-15 12:00 UTC: "231115" in every zone from UTC-12 to UTC+11.
constexpr std::time_t kNoon = 1700049600;

// result: the length of a built message, else the builder's failure value.
struct Backup {
    int result;
    std::string message;
    Signature signature;
};

Backup backup(const Request& r, int kind) {
    static std::array<char, 3000> out;
    out.fill('\0');
    BackupRequestBuilt built = build_backup_request(g_module, r.data(), out, kind);
    if (built.result != BackupRequestBuild::built) return {static_cast<int>(built.result), std::string(), built.signature};
    return {built.length, std::string(out.data(), static_cast<std::size_t>(built.length)), built.signature};
}

class BackupRequest : public ::testing::Test {
protected:
    FixedClock clock{kNoon};
    BackupDir dir;
};

TEST_F(BackupRequest, ApprovalAndCancellationWithoutSignature) {
    Backup b = backup(card_request("000010000"), 2);
    EXPECT_EQ(b.message, (BackupMessage{.date = "231115"}.text()));
    EXPECT_EQ(b.result, 118);
    EXPECT_EQ(dir.calls(), std::vector<std::string>{"cryptCard 1 4092123412341234=2512101"});

    Request keyed = card_request("000010000");
    keyed.set(req::entry_mode, "@");
    b = backup(keyed, 4);
    EXPECT_EQ(b.message, (BackupMessage{.code = "1102", .entry = "10", .date = "231101", .org_auth_no = "12345678    "}.text()));
    EXPECT_EQ(b.result, 131);
}

TEST_F(BackupRequest, ShortFieldsArePaddedToTheirWidth) {
    Request r = card_request("000010000");
    r.set_padded(req::term_id, "120");
    r.set_padded(req::track2, "12=3");
    r.set_padded(req::org_auth_no, "123");
    EXPECT_EQ(backup(r, 4).message, (BackupMessage{.code = "1102",
                                                 .term_id = "120       ",
                                                 .track = "`alb" + std::string(36, ' '),
                                                 .date = "231101",
                                                 .org_auth_no = "123    " + nuls(5)}
                                       .text()));
}

// An approval's pad fields are not logged, a cancellation's are.
TEST_F(BackupRequest, ThreeByteSignatureOnBothKinds) {
    dir.write_settings("[COM_PORT]\nSignSetting=YES\n");
    dir.pad_script("sign_result=3\nsign_bytes=abc\nfield_a=PADFIELDA\n");
    Backup b = backup(card_request("000060000"), 2);
    EXPECT_EQ(b.message, (BackupMessage{.code = "1104", .amount = "00060000", .date = "231115", .signature = "YWJj"}.text()));
    EXPECT_EQ(b.signature, Signature::captured);
    EXPECT_TRUE(dir.logged("RETURN Sign LEN.. 0003"));
    EXPECT_FALSE(dir.logged("PADFIELDA"));

    dir.pad_script("sign_result=3\nsign_hex=fbff00\nfield_a=PADFIELDA\n");
    b = backup(card_request("000060000"), 4);
    EXPECT_EQ(b.message, (BackupMessage{.code = "1114", .amount = "00060000", .date = "231101",
                                        .org_auth_no = "12345678    ", .signature = "+/8A"}.text()));
    EXPECT_TRUE(dir.logged("PADFIELDA"));
}

// No signature from the pad (an oversize result here; the capture table shows
// a negative one is the same): "1100" for an approval, "1114" kept for a
// cancellation.
TEST_F(BackupRequest, NoSignatureFromThePad) {
    dir.write_settings("[COM_PORT]\nSignSetting=YES\n");
    dir.pad_script("sign_result=2001\nsign_bytes=abc\n");
    EXPECT_EQ(backup(card_request("000060000"), 2).message, (BackupMessage{.amount = "00060000", .date = "231115"}.text()));
    Backup cancel = backup(card_request("000060000"), 4);
    EXPECT_EQ(cancel.message,
              (BackupMessage{.code = "1114", .amount = "00060000", .date = "231101", .org_auth_no = "12345678    "}.text()));
    EXPECT_EQ(cancel.signature, Signature::not_captured);
}

TEST_F(BackupRequest, SignatureOnlyAboveFiftyThousand) {
    dir.write_settings("[COM_PORT]\nSignSetting=YES\n");
    dir.pad_script("sign_result=3\nsign_bytes=abc\n");
    EXPECT_EQ(backup(card_request("000050000"), 4).message,
              (BackupMessage{.code = "1102", .amount = "00050000", .date = "231101", .org_auth_no = "12345678    "}.text()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("SignPad_dll.record")));
}

TEST_F(BackupRequest, LargestAmountBelowTheLimitIsSentAndThePortGoesBack) {
    g_module.call.backup_port = 4321;
    EXPECT_EQ(backup(card_request("099999999"), 2).message, (BackupMessage{.amount = "99999999", .date = "231115"}.text()));
    EXPECT_EQ(g_module.call.backup_port, 0);
}

// Refusals: result, log line, and whether the route went back to the primary host.
struct Refusal {
    const char* name;
    const char* script;
    const char* pad_script;
    const char* term_id;
    const char* track;
    const char* amount;
    int result;
    const char* log;
    bool to_primary;
    bool crypt_called;
};

class BackupRequestRefusals : public BackupRequest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(BackupRequestRefusals, LogAndRoute) {
    const Refusal& c = GetParam();
    dir.write_settings("[VANCFG]\nVANID=2\nEOT_CNT=3\n[COM_PORT]\nSignSetting=YES\n");
    dir.script(c.script);
    dir.pad_script(c.pad_script);
    dir.take_backup_route();
    Request r = card_request(c.amount);
    r.set_padded(req::term_id, c.term_id);
    r.set_padded(req::track2, c.track);

    EXPECT_EQ(backup(r, 2).result, c.result);
    EXPECT_TRUE(dir.logged(c.log)) << c.log;
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), c.to_primary ? "1" : "2");
    EXPECT_EQ(dir.setting("VANCFG", "EOT_CNT"), c.to_primary ? "0" : "3");
    EXPECT_EQ(g_module.route, c.to_primary ? RouteMode::primary : RouteMode::backup);
    EXPECT_EQ(!dir.calls().empty(), c.crypt_called);
}

constexpr const char* kTrack2 = "4092123412341234=2512101";
INSTANTIATE_TEST_SUITE_P(
    All, BackupRequestRefusals,
    ::testing::Values(
        Refusal{"TestTerminal", "", "", "1450019998", kTrack2, "000010000", -2,
                "Don't BACKUP TID[1450019998]", true, false},
        Refusal{"CryptCardFails", "crypt_result=7\n", "", "1200000001", kTrack2,
                "000010000", -1, "BACK UP DLL track2 data encrypt fail", true, true},
        Refusal{"ExpiryYear99", "", "", "1200000001", "4092123412341234=9912101",
                "000010000", -3, "Encrypt Module is not BACKUPing", true, false},
        Refusal{"AmountLimit", "", "", "1200000001", kTrack2, "100000000", -1,
                "Amount is 100000000 over [100000000]", false, true},
        Refusal{"PadRefuses", "", "sign_result=2\n", "1200000001", kTrack2,
                "000060000", 0, "RETURN Sign LEN.. 0002", false, true}),
    RowName{});

}  // namespace
}  // namespace zpos::test
