// Keystroke runs to CP949: syllables, runs, whole messages and their bounds.
#include "reply/keystrokes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "tests/common/wire.h"
#include "tests/reply/cp949_reference.h"

namespace zpos {
namespace {

using test::run_of;

// The message after conversion, cut to the length the conversion gives.
std::string converted(std::string message) {
    int n = convert_keystrokes(message.data(), static_cast<int>(message.size()));
    return message.substr(0, static_cast<std::size_t>(n));
}

TEST(Syllable, IndexOutsideItsTableGivesEmptyText) {
    char out[3] = {'x', 'x', 'x'};
    EXPECT_EQ(syllable(-1, 0, 0, out), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(syllable(19, 0, 0, out), 0);
    EXPECT_EQ(syllable(0, 21, 0, out), 0);
    EXPECT_EQ(syllable(0, 0, 28, out), 0);
}

// Every precomposed syllable, against the system's own CP949 encoder: two
// bytes and a terminator.
TEST(Syllable, EverySyllableMatchesIconv) {
    for (int l = 0; l < 19; ++l) {
        for (int v = 0; v < 21; ++v) {
            for (int t = 0; t < 28; ++t) {
                char32_t code = static_cast<char32_t>(0xAC00 + (l * 21 + v) * 28 + t);
                bool ok = false;
                std::string expected = test::cp949_by_iconv(std::u32string_view(&code, 1), &ok);
                ASSERT_TRUE(ok) << "iconv cannot encode U+" << std::hex << static_cast<unsigned>(code);
                char out[3] = {'x', 'x', 'x'};
                ASSERT_EQ(syllable(l, v, t, out), 2);
                ASSERT_EQ(std::string(out, 3), expected + '\0') << "U+" << std::hex << static_cast<unsigned>(code);
            }
        }
    }
}

struct RunCase {
    const char* keys;
    const char* text;
};

class RunExamples : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunExamples, GivesText) {
    EXPECT_EQ(test::run_text(GetParam().keys), GetParam().text) << GetParam().keys;
}

// The round trip below covers every well-formed run; these show its rules by hand.
INSTANTIATE_TEST_SUITE_P(WorkedExamples, RunExamples,
                         ::testing::Values(RunCase{"RKQT", "\xB0\xAA"},                      // 값
                                           RunCase{"RKQTL", "\xB0\xA9\xBD\xC3"},             // 갑시
                                           RunCase{"EKFRRHRL", "\xB4\xDF\xB0\xED\xB1\xE2"},  // 닭고기
                                           RunCase{"RHKD", "\xB1\xA4"},                      // 광
                                           RunCase{"RK1", "\xB0\xA1\x31"},                   // 가1
                                           RunCase{"", ""}, RunCase{"12 34", "12 34"}));

// Keystrokes that spell no syllable: the letter that cannot take its place
// comes out as it is, a consonant without vowel is dropped.
INSTANTIATE_TEST_SUITE_P(MalformedKeys, RunExamples,
                         ::testing::Values(RunCase{"K", "K"},                 // vowel where a consonant opens
                                           RunCase{"KRK", "K\xB0\xA1"},       // K, then 가
                                           RunCase{"R", ""},                  // lone consonant dropped
                                           RunCase{"RRK", "R\xB0\xA1"},       // a consonant in the vowel place passes, then 가
                                           RunCase{"RKK", "\xB0\xA1K"},       // 가, K cannot close it
                                           RunCase{"RKe", "\xB0\xA1" "e"},    // e is no final
                                           RunCase{"RKe1", "\xB0\xA1" "e1"},
                                           RunCase{"RKa", "\xB0\xA1" "a"},    // key outside the tables
                                           RunCase{"R1K", "1\xB0\xA1"},       // consonant waits past a digit
                                           RunCase{"RKRR", "\xB0\xA2"},       // RR no compound: 각, R dropped
                                           RunCase{"RKFr", "\xB0\xA5"},       // Fr no compound: 갈, r dropped
                                           RunCase{"akz", "akz"}));

TEST(RunConversion, TextReplacesKeysAndRestIsZero) {
    RunBuffer run;
    run.fill('#');
    std::memcpy(run.data(), "DKSSUD", 6);
    ASSERT_EQ(convert_run(6, run), 4);
    EXPECT_EQ(std::string(run.data(), 4), "\xBE\xC8\xB3\xE7");
    for (std::size_t i = 4; i < run.size(); ++i) ASSERT_EQ(run[i], '\0') << i;
}

TEST(RunConversion, CountAboveCapacityIsCut) {
    RunBuffer run;
    run.fill('1');
    EXPECT_EQ(convert_run(5000, run), 100);
    EXPECT_EQ(run[100], '\0');
    EXPECT_EQ(convert_run(-3, run), 0);
}

// A run left open at the end is dropped, and so is one whose SI stands in the
// last byte: that is the check byte's place, never looked at.
TEST(MessageConversion, RunsInAMessage) {
    std::string sixty_syllables, fifty_syllables;
    for (int i = 0; i < 60; ++i) sixty_syllables += "RK";  // 가 x 60: 120 keystrokes
    for (int i = 0; i < 50; ++i) fifty_syllables += "\xB0\xA1";
    const struct {
        std::string message, text;
    } cases[] = {
        {"\x02" "ABC\x1C" + run_of("DKSSUD") + "\x1C" "9\x03" "Z", "\x02" "ABC\x1C\xBE\xC8\xB3\xE7\x1C" "9\x03"},
        {"AB\x0E" "DKSSUD" "CDZ", "AB"},
        {"AB\x0E" "DK\x0F", "AB"},
        {"ABC", "AB"},
        {"A\x0E\x0F" "B\x0F" "CZ", "ABC"},
        {"A" + run_of(sixty_syllables) + "BZ", "A" + fifty_syllables + "B"},
        // The first R waits for a vowel, the other 99 pass unchanged.
        {"\x0E" + std::string(2500, 'R') + "\x0F" "Z", std::string(99, 'R')},
        {"\x0E" + std::string(2500, '7') + "\x0F" "Z", std::string(100, '7')},
    };
    for (const auto& c : cases) EXPECT_EQ(converted(c.message), c.text) << c.message.substr(0, 40);
}

TEST(MessageConversion, ShortMessagesGiveZero) {
    char one[1] = {'A'};
    EXPECT_EQ(convert_keystrokes(one, 1), 0);
    EXPECT_EQ(convert_keystrokes(one, 0), 0);
    EXPECT_EQ(convert_keystrokes(one, -5), 0);
}

TEST(MessageConversion, BytesAfterNewLengthKeepTheirValues) {
    std::string msg = run_of("DKSSUD") + "Z";  // 9 bytes become 4
    ASSERT_EQ(convert_keystrokes(msg.data(), static_cast<int>(msg.size())), 4);
    EXPECT_EQ(msg.substr(4), "SUD\x0FZ");
}

TEST(MessageConversion, MessageAboveCapacityIsReadToItsCapacity) {
    // 5000 bytes: only the first 3000 count, byte 2999 taking the check
    // byte's place.
    std::string msg(5000, 'A');
    msg[2998] = 'B';
    msg[2999] = 'C';
    int n = convert_keystrokes(msg.data(), static_cast<int>(msg.size()));
    ASSERT_EQ(n, 2999);
    EXPECT_EQ(msg[2998], 'B');
    EXPECT_EQ(msg[2999], 'C');
}

TEST(MessageConversion, MalformedRunsNeverGrowTheMessage) {
    // Every run of these keys gives text no longer than the keys.
    const char* runs[] = {"KKKKKKKK", "RRRRRRRR", "RKeeeeee", "HHHHHHHH", "RKFRFRFR", "zzzzzzzz", "RKQTQTQT"};
    for (const char* keys : runs) {
        EXPECT_LE(converted(run_of(keys) + "Z").size(), std::strlen(keys)) << keys;
    }
}

// Random texts spelled as keystrokes come back as exactly their CP949 bytes.
TEST(KeystrokeRoundTrip, RandomTextsInsideAMessage) {
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        std::string message = "\x02" "123456";
        std::string expected = message;
        for (int field = 0; field < 6; ++field) {
            std::u32string text = test::random_text(rng);
            message += "F" + std::to_string(field) + run_of(test::spell_keystrokes(text)) + "\x1C";
            expected += "F" + std::to_string(field) + test::cp949_by_iconv(text) + "\x1C";
        }
        message += "\x03" "K";  // ETX, then the check byte
        expected += "\x03";
        ASSERT_EQ(converted(message), expected);
    }
}

}  // namespace
}  // namespace zpos
