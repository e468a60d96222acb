// The signature and PIN steps through the test pad library: what the pad was
// handed, what the message carries, and the log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "entry/call.h"
#include "platform/platform.h"
#include "request/capture.h"
#include "request/request_message.h"
#include "support/korean_texts.h"
#include "tests/common/pad_dir.h"
#include "tests/common/print.h"
#include "tests/common/records_helper.h"
#include "tests/common/wire.h"
#include "tests/request/built_message.h"

namespace zpos::test {
namespace {

constexpr platform::Time kDay = 1700000000;  // any fixed day; dates are read back in local time

// A pad directory with these settings and pad script, whose transaction
// time is known.
class CaptureDir : public PadDir {
public:
    CaptureDir(const std::string& settings, const std::string& script, Pad pad = Pad::full) : PadDir(pad) {
        std::memcpy(g_module.call.tran_time, "101500", 7);
        write_settings(settings);
        pad_script(script);
    }
};

constexpr Signature kKept = Signature::not_attempted;  // the flag stays (a refusal keeps it too)
constexpr Signature kSet = Signature::captured;
constexpr Signature kCleared = Signature::not_captured;

const char kSignOn[] = "[COM_PORT]\nSignSetting=YES\nGetComPort=7\n";

// ---- When a signature is taken, and what comes of the pad's answer ----

struct SignCase {
    const char* name;
    std::string settings;
    const char* script;
    const char* tran_kind;
    const char* cvm;
    const char* amount;
    int kind;
    bool built;
    const char* fields_15_16;  // "length|data"
    Signature signature;       // what the build does to the transaction's signature flag
    std::size_t pad_calls;
    std::vector<std::string> log_tail;
};

class SignatureStep : public ::testing::TestWithParam<SignCase> {};

TEST_P(SignatureStep, FieldsFlagPadAndLog) {
    const SignCase& c = GetParam();
    CaptureDir dir(c.settings, c.script);
    Request r = card_request(c.amount);
    r.set(req::tran_kind, c.tran_kind).set(req::cvm_data, c.cvm);
    Built b = build(r, c.kind);
    EXPECT_EQ(b.length > 0, c.built);
    if (c.built) {
        EXPECT_EQ(b.field(15) + "|" + b.field(16), c.fields_15_16);
    }
    EXPECT_EQ(b.signature, c.signature);
    EXPECT_EQ(dir.pad_calls().size(), c.pad_calls);
    std::vector<std::string> log = dir.log_lines();
    ASSERT_GE(log.size(), c.log_tail.size());
    EXPECT_EQ(std::vector<std::string>(log.end() - static_cast<long>(c.log_tail.size()), log.end()), c.log_tail);
}

// A negative or oversized pad result goes on without a signature, as a pad
// that cannot be used does.
INSTANTIATE_TEST_SUITE_P(
    Cases, SignatureStep,
    ::testing::Values(
        SignCase{"UpToFiftyThousandNone", kSignOn, "", "10", " ", "000050000", 2, true, "|", kKept, 0,
                 {"NO CVM SIGN AMOUNT[50000]"}},
        SignCase{"SignSettingEmpty", "", "", "10", " ", "000050001", 2, true, "|", kKept, 0, {"NOT SIGN"}},
        SignCase{"SignSettingNo", "[COM_PORT]\nSignSetting=NO\n", "", "10", " ", "000050001", 2, true, "|", kKept, 0,
                 {"NOT SIGN"}},
        SignCase{"SignSettingYeIsNoYes", "[COM_PORT]\nSignSetting=YE\n", "", "10", " ", "000050001", 2, true, "|",
                 kKept, 0, {"NOT SIGN"}},
        SignCase{"SignSettingLowerCaseYes", "[COM_PORT]\nSignSetting=yes\n", "", "10", " ", "000050001", 2, true, "|",
                 kKept, 0, {"NOT SIGN"}},
        SignCase{"CashNever", kSignOn, "", "21", " ", "000090000", 5, true, "|", kKept, 0, {"NOT SIGN"}},
        SignCase{"CvmDataAtAnyAmount", kSignOn, "sign_result=3\nsign_bytes=XYZ\n", "F1", "C", "000001000", 11, true,
                 "0003|XYZ", kSet, 1, {"RETURN Sign LEN.. 0003"}},
        SignCase{"PadTwoRefuses", kSignOn, "sign_result=2\n", "10", " ", "000060000", 2, false, "", kKept, 1,
                 {"RETURN Sign LEN.. 0002"}},
        SignCase{"PadZeroRefusesAndSaysSo", kSignOn, "sign_result=0\n", "10", " ", "000060000", 4, false, "", kKept, 1,
                 {"RETURN Sign LEN.. 0000", "\xC7\xCF\xC0\xBD Sign LEN.. 0000"}},
        SignCase{"NegativeGoesOn", kSignOn, "sign_result=-1\nsign_bytes=IGNORED\n", "10", " ", "000060000", 2, true,
                 "|", kCleared, 1, {"RETURN Sign LEN.. -001"}},
        SignCase{"OversizeGoesOn", kSignOn, "sign_result=2001\nsign_bytes=IGNORED\n", "10", " ", "000060000", 2, true,
                 "|", kCleared, 1, {"RETURN Sign LEN.. 2001"}}),
    RowName{});

TEST(SignatureCapture, SignatureGoesIntoFields15And16) {
    CaptureDir dir(kSignOn, "sign_result=5\nsign_bytes=ABCDE\nfield_a=PADA\nfield_b=PB\n");
    Built b = build(card_request("000060000"), 2);
    EXPECT_EQ(b.field(15), "0005");
    EXPECT_EQ(b.field(16), "ABCDE");
    EXPECT_EQ(b.field(17), "OITR101500");
    EXPECT_EQ(b.field(18) + b.field(19) + b.field(20), "");  // no daily report: pad fields stay out
    EXPECT_EQ(b.signature, Signature::captured);

    std::vector<PadCall> calls = dir.pad_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, "orvik_sign");
    EXPECT_EQ(calls[0].port, 7);
    EXPECT_EQ(calls[0].constant, 110);
    // Offset 0: no report; offset 20: the amount text as the record has it.
    EXPECT_EQ(calls[0].input, nuls(sign_buffer::data.offset).replace(sign_buffer::field_c.offset, 9, "000060000"));

    std::vector<std::string> log = dir.log_lines();
    std::vector<std::string> tail(log.end() - 5, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"GET COM PORT NO... 7", "PADA", "000060000", "PB",
                                              "RETURN Sign LEN.. 0005"}));
}

// The amount goes to the pad blank-padded to nine; a binary signature goes
// into the message byte for byte.
TEST(SignatureCapture, ShortAmountAndBinarySignature) {
    CaptureDir dir(kSignOn, "sign_result=4\nsign_hex=00ff1c03\n");
    Request r = card_request("000060000");
    r.set_padded(req::tran_amt, "60001");
    Built b = build(r, 2);
    ASSERT_EQ(dir.pad_calls().size(), 1u);
    EXPECT_EQ(field(dir.pad_calls()[0].input.data(), sign_buffer::field_c).substr(0, 10), std::string("60001    ") + '\0');
    EXPECT_NE(b.bytes.find("0004" + FS + std::string("\x00\xff\x1c\x03", 4) + FS + "OITR101500"), std::string::npos);
}

// The largest signature the buffer holds is still sent; the pad results of
// the table above go through the same capture.
TEST(SignatureCapture, LargestSignatureIsKept) {
    CaptureDir dir(kSignOn, "sign_result=2000\n");
    SignatureBuffer buf;
    EXPECT_EQ(capture_signature(g_module.call, card_request("000060000").data(), buf, true), kSignDataMax);
}

// ---- Daily pad report ----

// The first capture of a day with the HCS pad sends the pad fields and
// records the day; the same day's next does not, the next day's does again.
TEST(DailyPadReport, FirstCaptureOfTheDaySendsThePadFields) {
    FixedClock clock(kDay);
    CaptureDir dir(std::string(kSignOn) + "[SIGNPAD]\nVALUE=HCS\nCURDATE=240101\n",
                   "sign_result=1\nsign_bytes=S\nfield_a=REPORT-A\nfield_b=RB\nfield_c=PADREPORT-0000017\n");
    Built b = build(card_request("000060000"), 2);
    EXPECT_EQ(b.field(18), "REPORT-A" + nuls(7));
    EXPECT_EQ(b.field(19), "RB" + nuls(1));
    EXPECT_EQ(b.field(20), "PADREPORT-0000017");
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), yymmdd(kDay));
    EXPECT_TRUE(dir.logged("Logon Send... [240101] [" + yymmdd(kDay) + "]"));

    Built again = build(card_request("000060000"), 2);
    EXPECT_EQ(again.field(18) + again.field(20), "");

    clock.set(kDay + 86400);
    Built next = build(card_request("000060000"), 2);
    EXPECT_EQ(next.field(19), "RB" + nuls(1));
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), yymmdd(kDay + 86400));
    std::vector<PadCall> calls = dir.pad_calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(std::string() + calls[0].input[0] + calls[1].input[0] + calls[2].input[0], std::string("1\0" "1", 3));
}

TEST(DailyPadReport, OnlyTheHcsPadReports) {
    FixedClock clock(kDay);
    CaptureDir dir(std::string(kSignOn) + "[SIGNPAD]\nVALUE=XYZ\nCURDATE=240101\n",
                   "sign_result=1\nsign_bytes=S\nfield_a=REPORT-A\n");
    EXPECT_EQ(build(card_request("000060000"), 2).field(18), "");
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), "240101");
}

TEST(DailyPadReport, DateIsKeptEvenWhenThePadCannotBeLoaded) {
    FixedClock clock(kDay);
    CaptureDir dir(std::string(kSignOn) + "[SIGNPAD]\nVALUE=HCS\n", "", Pad::none);
    Built b = build(card_request("000060000"), 2);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), yymmdd(kDay));
    // The report was due: fields 18 to 20 carry the untouched (zero) buffer.
    EXPECT_EQ(b.field(18) + "|" + b.field(19) + "|" + b.field(20), nuls(15) + "|" + nuls(3) + "|" + nuls(17));
}

// ---- PIN step ----

const char kPinOn[] = "[COM_PORT]\nPIN=YES\nGetComPort=12\n";

// The PIN buffer's input part, up to the block: mode, card number, the prompt
// and its zero.
std::string pin_input(const char* mode, const std::string& card_no) {
    std::string in = nuls(pin_buffer::block.offset);
    in.replace(pin_buffer::mode.offset, 2, mode).replace(pin_buffer::card.offset, card_no.size(), card_no);
    return in.replace(pin_buffer::prompt.offset, sizeof texts::kPinPrompt - 1, texts::kPinPrompt);
}

struct PinCase {
    const char* name;
    Pad pad;
    std::string settings;
    const char* script;
    const char* track;  // nullptr: a points request
    int kind;
    std::string field9;
    std::string pad_input;  // "": the pad is not called
    std::vector<std::string> logged;
};

class PinStep : public ::testing::TestWithParam<PinCase> {};

TEST_P(PinStep, Field9PadAndLog) {
    const PinCase& c = GetParam();
    CaptureDir dir(c.settings, c.script, c.pad);
    Request r = sample_points_request("02").set_padded(req::pt_track2, "94101234123412345678=2612");
    if (c.track) r = card_request("000001000").set(req::tran_kind, "F1").set_padded(req::track2, c.track);
    Built b = build(r, c.kind);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(b.field(9), c.field9);
    std::vector<PadCall> calls = dir.pad_calls();
    ASSERT_EQ(calls.size(), c.pad_input.empty() ? 0u : 1u);
    if (!calls.empty()) {
        EXPECT_EQ(calls[0].function, "general_pin");
        EXPECT_EQ(calls[0].port, 12);
        EXPECT_EQ(calls[0].constant, 110);
        EXPECT_EQ(calls[0].input, c.pad_input);
    }
    for (const std::string& line : c.logged) EXPECT_TRUE(dir.logged(line)) << line;
    // The card line is written only when the pad is called.
    std::vector<std::string> log = dir.log_lines();
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("in PinPad", 0) == 0; }),
              calls.empty() ? 0 : 1);
}

// The card number's last sixteen digits go to the pad; the sixteen bytes it
// leaves go into field 9 whatever it answered.
INSTANTIATE_TEST_SUITE_P(
    Cases, PinStep,
    ::testing::Values(
        PinCase{"NineteenDigitsSendTheLastSixteen", Pad::full, kPinOn, "pin_result=1\npin_block=PINBLOCK12345678\n",
                "1234567890123456789=2512", 11, "PINBLOCK12345678", pin_input("06", "4567890123456789"),
                {"in PinPad return.. [4567890123456789]", "Get PinPad return.. [1] [PINBLOCK12345678]"}},
        PinCase{"FifteenDigitsGoWholeAndLogMasked", Pad::full, std::string(kPinOn) + "[LOG]\nMASK=STRICT\n", "",
                "123456789012345=2512", 12, nuls(16), pin_input("06", "123456789012345"),
                {"in PinPad return.. [123456*****2345]"}},
        PinCase{"BlockSentWhateverThePadAnswered", Pad::full, kPinOn, "pin_result=-3\n", "123456789012345=2512", 11,
                nuls(16), pin_input("06", "123456789012345"), {"Get PinPad return.. [-3] []"}},
        PinCase{"PointsUseMode04AndThePointsTrack", Pad::full, kPinOn, "pin_block=0123456789ABCDEF\n", nullptr, 62,
                "0123456789ABCDEF", pin_input("04", "9410123412341234"), {}},
        PinCase{"OnlyWithPinYes", Pad::full, "[COM_PORT]\nPIN=NO\n", "", "123456789012345=2512", 11, "", "", {}},
        PinCase{"NotForOtherKinds", Pad::full, kPinOn, "", "123456789012345=2512", 2, "", "", {}},
        PinCase{"MissingLibraryLeavesField9Empty", Pad::none, kPinOn, "", "123456789012345=2512", 11, "", "",
                {"Signpad_dll.dll load Fail"}},
        PinCase{"MissingEntryPointIsNotCalled", Pad::no_functions, kPinOn, "", "123456789012345=2512", 12, "", "",
                {"SignPad_dll.dll general_pin load fail..."}}),
    RowName{});

TEST(PinAndSignature, BothStepsInOneMessage) {
    CaptureDir dir("[COM_PORT]\nPIN=YES\nSignSetting=YES\nGetComPort=3\n",
                   "pin_block=PPPPPPPPPPPPPPPP\nsign_result=2\n");
    Request r = card_request("000070000").set(req::tran_kind, "F1").set_padded(req::track2, "123456789012345=2512");
    EXPECT_EQ(build(r, 11).length, 0);  // the pad refused the signature after the PIN
    std::vector<PadCall> calls = dir.pad_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, "general_pin");
    EXPECT_EQ(calls[1].function, "orvik_sign");
}

}  // namespace
}  // namespace zpos::test
