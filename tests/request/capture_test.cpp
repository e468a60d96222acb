// The signature and PIN steps through the real test pad library, copied into
// a temporary application directory: what the pad was handed (from its record
// file), what the message carries, and the log lines.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "entry/call.h"
#include "platform/platform.h"
#include "request/capture.h"
#include "request/request_message.h"
#include "support/korean_texts.h"
#include "support/settings.h"
#include "tests/common/app_dir.h"
#include "tests/common/records_helper.h"

namespace zpos::test {
namespace {

const std::string FS = "\x1c";
std::string nuls(std::size_t n) { return std::string(n, '\0'); }

constexpr platform::Time kDay = 1700000000;  // any fixed day; dates are read back in local time

std::string yymmdd(platform::Time t) {
    std::tm tm{};
    platform::local_time(t, tm);
    char buf[8];
    std::strftime(buf, sizeof buf, "%y%m%d", &tm);
    return buf;
}

struct PadCall {
    std::string function;
    int port = 0;
    int constant = 0;
    std::string input;  // the bytes the pad was handed
};

// An application directory with (or without) a pad library in it.
class PadDir : public AppDir {
public:
    enum class Pad { full, no_functions, none };
    explicit PadDir(Pad pad = Pad::full) {
        std::memcpy(g_call.tran_time, "101500", 7);
        g_call.sign_flag = -1;
        std::string lib = file(std::string("SignPad_dll") + platform::kLibSuffix);
        if (pad == Pad::full) std::filesystem::copy_file(ZPOS_TESTPAD_PATH, lib);
        if (pad == Pad::no_functions) std::filesystem::copy_file(ZPOS_TESTPAD_EMPTY_PATH, lib);
    }
    void script(const std::string& text) const { std::ofstream(file("SignPad_dll.script")) << text; }

    std::vector<PadCall> calls() const {
        std::vector<PadCall> out;
        std::istringstream in(read_file(file("SignPad_dll.record")));
        std::string line;
        while (std::getline(in, line)) {
            PadCall c;
            std::string hex;
            std::istringstream fields(line);
            fields >> c.function >> c.port >> c.constant >> hex;
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                c.input += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            out.push_back(c);
        }
        return out;
    }
};

Request card(const char* amount, char kind_digit = '2') {
    Request r(kind_digit == '4' ? "0420" : "0200", "10");
    r.set(req::entry_mode, "A");
    r.set_padded(req::track2, "4092123412341234=2512101");
    r.set(req::install_months, "00");
    r.set(req::tran_amt, amount);
    r.set(req::amt_extra1, "000000000");
    r.set(req::amt_extra2, "000000000");
    return r;
}

struct Built {
    int length = 0;
    std::string bytes;
    // Field i of the message (1-based; a swiped card keeps one field per FS).
    std::string field(int i) const {
        std::vector<std::string> parts;
        std::size_t pos = bytes.find('\x1c') + 1;
        while (pos < bytes.size()) {
            std::size_t end = bytes.find('\x1c', pos);
            if (end == std::string::npos) break;
            parts.push_back(bytes.substr(pos, end - pos));
            pos = end + 1;
        }
        return i >= 1 && static_cast<std::size_t>(i) <= parts.size() ? parts[i - 1] : "<none>";
    }
};

Built build(const Request& r, int kind) {
    std::array<char, kRequestMessageSize> out{};
    Built b;
    if (build_request_message(g_call, r.data(), out, kind, b.length) != RequestBuild::built) b.length = 0;
    b.bytes.assign(out.data(), b.length > 0 ? static_cast<std::size_t>(b.length) : 0);
    return b;
}

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

const char kSignOn[] = "[COM_PORT]\nSignSetting=YES\nGetComPort=7\n";

// ---- When a signature is asked for ----

TEST(SignatureStep, NoCaptureUpToFiftyThousand) {
    PadDir dir;
    dir.write_settings(kSignOn);
    Built b = build(card("000050000"), 2);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(b.field(15), "");
    EXPECT_EQ(b.field(16), "");
    EXPECT_TRUE(dir.calls().empty());
    EXPECT_EQ(dir.log_lines().back(), "NO CVM SIGN AMOUNT[50000]");
}

TEST(SignatureStep, SignSettingNotYesPausesAndLogsNotSign) {
    for (const char* setting : {"", "NO", "yes"}) {
        PadDir dir;
        dir.write_settings(std::string("[COM_PORT]\nSignSetting=") + setting + "\n");
        Built b = build(card("000050001"), 2);
        EXPECT_EQ(b.field(15), "") << setting;
        EXPECT_TRUE(dir.calls().empty()) << setting;
        EXPECT_EQ(dir.log_lines().back(), "NOT SIGN") << setting;
    }
}

TEST(SignatureStep, CashKindsNeverCapture) {
    PadDir dir;
    dir.write_settings(kSignOn);
    Request r = card("000090000");
    r.set(req::tran_kind, "21");
    Built b = build(r, 5);
    EXPECT_GT(b.length, 0);
    EXPECT_TRUE(dir.calls().empty());
    EXPECT_EQ(dir.log_lines().back(), "NOT SIGN");
}

TEST(SignatureStep, CvmDataAsksForASignatureAtAnyAmount) {
    PadDir dir;
    dir.write_settings(kSignOn);
    dir.script("sign_result=3\nsign_bytes=XYZ\n");
    Request r = card("000001000");
    r.set(req::tran_kind, "F1");
    r.set(req::cvm_data, "C");
    Built b = build(r, 11);
    EXPECT_EQ(b.field(15), "0003");
    EXPECT_EQ(b.field(16), "XYZ");
    ASSERT_EQ(dir.calls().size(), 1u);
}

// ---- Capture ----

TEST(SignatureCapture, SignatureGoesIntoFields15And16) {
    PadDir dir;
    dir.write_settings(kSignOn);
    dir.script("sign_result=5\nsign_bytes=ABCDE\nfield_a=PADA\nfield_b=PB\n");
    Built b = build(card("000060000"), 2);
    EXPECT_EQ(b.field(15), "0005");
    EXPECT_EQ(b.field(16), "ABCDE");
    EXPECT_EQ(b.field(17), "OITR101500");
    EXPECT_EQ(b.field(18), "");  // no daily report: pad fields stay out
    EXPECT_EQ(b.field(19), "");
    EXPECT_EQ(b.field(20), "");
    EXPECT_EQ(g_call.sign_flag, 1);

    std::vector<PadCall> calls = dir.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, "orvik_sign");
    EXPECT_EQ(calls[0].port, 7);
    EXPECT_EQ(calls[0].constant, 110);
    // Offset 0: no report; offset 20: the amount text as the record has it.
    EXPECT_EQ(calls[0].input, nuls(20) + "000060000" + nuls(8));

    std::vector<std::string> log = dir.log_lines();
    std::vector<std::string> tail(log.end() - 5, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"GET COM PORT NO... 7", "PADA", "000060000", "PB",
                                              "RETURN Sign LEN.. 0005"}));
}

TEST(SignatureCapture, ShortAmountIsBlankPaddedToNine) {
    PadDir dir;
    dir.write_settings(kSignOn);
    Request r = card("000060000");
    r.set_padded(req::tran_amt, "60001");
    build(r, 2);
    ASSERT_EQ(dir.calls().size(), 1u);
    EXPECT_EQ(dir.calls()[0].input.substr(20, 10), std::string("60001    ") + '\0');
}

TEST(SignatureCapture, PadResultTwoRefusesTheMessage) {
    PadDir dir;
    dir.write_settings(kSignOn);
    dir.script("sign_result=2\n");
    Built b = build(card("000060000"), 2);
    EXPECT_EQ(b.length, 0);
    EXPECT_EQ(dir.log_lines().back(), "RETURN Sign LEN.. 0002");
}

TEST(SignatureCapture, PadResultZeroRefusesTheMessageAndSaysSo) {
    PadDir dir;
    dir.write_settings(kSignOn);
    dir.script("sign_result=0\n");
    Built b = build(card("000060000"), 4);
    EXPECT_EQ(b.length, 0);
    std::vector<std::string> log = dir.log_lines();
    EXPECT_EQ(log[log.size() - 2], "RETURN Sign LEN.. 0000");
    EXPECT_EQ(log.back(), "\xC7\xCF\xC0\xBD Sign LEN.. 0000");
}

// A negative result, and a length the signature buffer cannot hold, send the
// message without a signature.
TEST(SignatureCapture, NegativeOrOversizeResultGoesOnWithoutSignature) {
    for (const char* result : {"-1", "2001"}) {
        PadDir dir;
        dir.write_settings(kSignOn);
        dir.script(std::string("sign_result=") + result + "\nsign_bytes=IGNORED\n");
        Built b = build(card("000060000"), 2);
        EXPECT_GT(b.length, 0) << result;
        EXPECT_EQ(b.field(15), "") << result;
        EXPECT_EQ(b.field(16), "") << result;
        EXPECT_EQ(g_call.sign_flag, 0) << result;
        EXPECT_EQ(dir.log_lines().back(), std::string("RETURN Sign LEN.. ") + (result[0] == '-' ? "-001" : result));
    }
}

TEST(SignatureCapture, BinarySignatureIsSentByteForByte) {
    PadDir dir;
    dir.write_settings(kSignOn);
    dir.script("sign_result=4\nsign_hex=00ff1c03\n");
    Built b = build(card("000060000"), 2);
    std::string expected = std::string("0004") + FS + std::string("\x00\xff\x1c\x03", 4) + FS + "OITR101500";
    EXPECT_NE(b.bytes.find(expected), std::string::npos);
}

TEST(SignatureCapture, MissingLibraryGoesOnWithoutSignature) {
    PadDir dir(PadDir::Pad::none);
    dir.write_settings(kSignOn);
    Built b = build(card("000060000"), 2);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(b.field(15), "");
    EXPECT_EQ(g_call.sign_flag, 0);
    EXPECT_EQ(dir.log_lines().back(), "Signpad_dll.dll load Fail");
}

TEST(SignatureCapture, MissingEntryPointGoesOnWithoutSignature) {
    PadDir dir(PadDir::Pad::no_functions);
    dir.write_settings(kSignOn);
    Built b = build(card("000060000"), 2);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(b.field(15), "");
    EXPECT_EQ(g_call.sign_flag, 0);
    EXPECT_EQ(dir.log_lines().back(), "SignPad_dll.dll orvik_sign load fail...");
}

TEST(SignatureCapture, SharedCaptureLeavesOutPadFieldLines) {
    PadDir dir;
    dir.write_settings(kSignOn);
    dir.script("sign_result=3\nsign_bytes=QRS\nfield_a=PADA\n");
    SignatureBuffer buf;
    int r = capture_signature(g_call, card("000060000").data(), 2, buf, false);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(std::string(buf.data(), 3), "QRS");
    EXPECT_EQ(dir.log_lines(),
              (std::vector<std::string>{"GET COM PORT NO... 7", "RETURN Sign LEN.. 0003"}));
}

TEST(SignatureCapture, SharedCaptureResults) {
    struct Case {
        const char* script;
        int result;
    };
    for (Case c : {Case{"sign_result=2\n", kSignRefused}, Case{"sign_result=0\n", kSignRefused},
                   Case{"sign_result=-7\n", kSignNone}, Case{"sign_result=1\nsign_bytes=Q\n", 1},
                   Case{"sign_result=2000\n", kSignDataMax}, Case{"sign_result=2001\n", kSignNone}}) {
        PadDir dir;
        dir.write_settings(kSignOn);
        dir.script(c.script);
        SignatureBuffer buf;
        EXPECT_EQ(capture_signature(g_call, card("000060000").data(), 2, buf, true), c.result) << c.script;
    }
}

// ---- Daily pad report ----

TEST(DailyPadReport, FirstCaptureOfTheDaySendsThePadFields) {
    FixedClock clock(kDay);
    PadDir dir;
    dir.write_settings(std::string(kSignOn) + "[SIGNPAD]\nVALUE=HCS\nCURDATE=240101\n");
    dir.script("sign_result=1\nsign_bytes=S\nfield_a=REPORT-A\nfield_b=RB\nfield_c=PADREPORT-0000017\n");
    Built b = build(card("000060000"), 2);
    EXPECT_EQ(b.field(18), "REPORT-A" + nuls(7));
    EXPECT_EQ(b.field(19), "RB" + nuls(1));
    EXPECT_EQ(b.field(20), "PADREPORT-0000017");
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), yymmdd(kDay));
    ASSERT_EQ(dir.calls().size(), 1u);
    EXPECT_EQ(dir.calls()[0].input[0], '1');
    EXPECT_TRUE(has_line(dir.log_lines(), "Logon Send... [240101] [" + yymmdd(kDay) + "]"));

    // Same day: no report, no pad fields.
    Built again = build(card("000060000"), 2);
    EXPECT_EQ(again.field(18), "");
    EXPECT_EQ(again.field(20), "");
    ASSERT_EQ(dir.calls().size(), 2u);
    EXPECT_EQ(dir.calls()[1].input[0], '\0');

    // The next day's first capture reports again.
    clock.set(kDay + 86400);
    Built next = build(card("000060000"), 2);
    EXPECT_EQ(next.field(19), "RB" + nuls(1));
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), yymmdd(kDay + 86400));
    ASSERT_EQ(dir.calls().size(), 3u);
    EXPECT_EQ(dir.calls()[2].input[0], '1');
}

TEST(DailyPadReport, OnlyTheHcsPadReports) {
    FixedClock clock(kDay);
    PadDir dir;
    dir.write_settings(std::string(kSignOn) + "[SIGNPAD]\nVALUE=XYZ\nCURDATE=240101\n");
    dir.script("sign_result=1\nsign_bytes=S\nfield_a=REPORT-A\n");
    Built b = build(card("000060000"), 2);
    EXPECT_EQ(b.field(18), "");
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), "240101");
}

TEST(DailyPadReport, DateIsKeptEvenWhenThePadCannotBeLoaded) {
    FixedClock clock(kDay);
    PadDir dir(PadDir::Pad::none);
    dir.write_settings(std::string(kSignOn) + "[SIGNPAD]\nVALUE=HCS\n");
    Built b = build(card("000060000"), 2);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(dir.setting("SIGNPAD", "CURDATE"), yymmdd(kDay));
    // The report was due: fields 18 to 20 carry the untouched (zero) buffer.
    EXPECT_EQ(b.field(18), nuls(15));
    EXPECT_EQ(b.field(19), nuls(3));
    EXPECT_EQ(b.field(20), nuls(17));
}

// ---- PIN step ----

Request pin_card(const char* track) {
    Request r = card("000001000");
    r.set(req::tran_kind, "F1");
    r.set_padded(req::track2, track);
    return r;
}

const char kPinOn[] = "[COM_PORT]\nPIN=YES\nGetComPort=12\n";

// The PIN buffer's input part: mode, card number, the prompt and its zero.
std::string pin_input(const char* mode, const std::string& card_no) {
    std::string in = mode + card_no + nuls(17 - card_no.size()) + texts::kPinPrompt;
    return in + nuls(52 - in.size());
}

TEST(PinStep, NineteenDigitCardSendsItsLastSixteen) {
    PadDir dir;
    dir.write_settings(kPinOn);
    dir.script("pin_result=1\npin_block=PINBLOCK12345678\n");
    Built b = build(pin_card("1234567890123456789=2512"), 11);
    EXPECT_EQ(b.field(9), "PINBLOCK12345678");
    std::vector<PadCall> calls = dir.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, "general_pin");
    EXPECT_EQ(calls[0].port, 12);
    EXPECT_EQ(calls[0].constant, 110);
    EXPECT_EQ(calls[0].input, pin_input("06", "4567890123456789"));
    EXPECT_TRUE(has_line(dir.log_lines(), "in PinPad return.. [4567890123456789]"));
    EXPECT_TRUE(has_line(dir.log_lines(), "Get PinPad return.. [1] [PINBLOCK12345678]"));
}

// The pad gets the whole number; under strict log masking the log line shows
// only its first six and last four digits.
TEST(PinStep, FifteenDigitCardIsPassedWhole) {
    PadDir dir;
    dir.write_settings(std::string(kPinOn) + "[LOG]\nMASK=STRICT\n");
    build(pin_card("123456789012345=2512"), 12);
    ASSERT_EQ(dir.calls().size(), 1u);
    EXPECT_EQ(dir.calls()[0].input, pin_input("06", "123456789012345"));
    EXPECT_TRUE(has_line(dir.log_lines(), "in PinPad return.. [123456*****2345]"));
}

TEST(PinStep, BlockIsSentWhateverThePadAnswered) {
    PadDir dir;
    dir.write_settings(kPinOn);
    dir.script("pin_result=-3\n");
    Built b = build(pin_card("123456789012345=2512"), 11);
    EXPECT_EQ(b.field(9), nuls(16));
    EXPECT_TRUE(has_line(dir.log_lines(), "Get PinPad return.. [-3] []"));
}

TEST(PinStep, PointsKindsUseMode04AndPointsTrack) {
    PadDir dir;
    dir.write_settings(kPinOn);
    dir.script("pin_block=0123456789ABCDEF\n");
    Request r("0200", "40");
    r.set(req::pt_media, "01");
    r.set_padded(req::pt_track2, "94101234123412345678=2612");
    Built b = build(r, 62);
    EXPECT_EQ(b.field(9), "0123456789ABCDEF");
    ASSERT_EQ(dir.calls().size(), 1u);
    EXPECT_EQ(dir.calls()[0].input, pin_input("04", "9410123412341234"));
}

TEST(PinStep, OnlyWithPinYes) {
    PadDir dir;
    dir.write_settings("[COM_PORT]\nPIN=NO\n");
    Built b = build(pin_card("123456789012345=2512"), 11);
    EXPECT_EQ(b.field(9), "");
    EXPECT_TRUE(dir.calls().empty());
}

TEST(PinStep, OtherKindsHaveNoPin) {
    PadDir dir;
    dir.write_settings(kPinOn);
    Built b = build(pin_card("123456789012345=2512"), 2);
    EXPECT_EQ(b.field(9), "");
    EXPECT_TRUE(dir.calls().empty());
}

TEST(PinStep, MissingLibraryLeavesField9Empty) {
    PadDir dir(PadDir::Pad::none);
    dir.write_settings(kPinOn);
    Built b = build(pin_card("123456789012345=2512"), 11);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(b.field(9), "");
    EXPECT_TRUE(has_line(dir.log_lines(), "Signpad_dll.dll load Fail"));
}

TEST(PinStep, MissingEntryPointIsNotCalled) {
    PadDir dir(PadDir::Pad::no_functions);
    dir.write_settings(kPinOn);
    Built b = build(pin_card("123456789012345=2512"), 12);
    EXPECT_GT(b.length, 0);
    EXPECT_EQ(b.field(9), "");
    std::vector<std::string> log = dir.log_lines();
    EXPECT_TRUE(has_line(log, "SignPad_dll.dll general_pin load fail..."));
    EXPECT_FALSE(has_line(log, "in PinPad return.. [123456789012345]"));
}

TEST(PinAndSignature, BothStepsInOneMessage) {
    PadDir dir;
    dir.write_settings("[COM_PORT]\nPIN=YES\nSignSetting=YES\nGetComPort=3\n");
    dir.script("pin_block=PPPPPPPPPPPPPPPP\nsign_result=2\n");
    Request r = pin_card("123456789012345=2512");
    r.set(req::tran_amt, "000070000");
    Built b = build(r, 11);
    EXPECT_EQ(b.length, 0);  // the pad refused the signature after the PIN
    std::vector<PadCall> calls = dir.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, "general_pin");
    EXPECT_EQ(calls[1].function, "orvik_sign");
}

}  // namespace
}  // namespace zpos::test
