// Keyboard tables, syllable composition (all 11,172 syllables against iconv),
// run conversion with the worked examples and malformed keystrokes, and the
// in-place message conversion with its bounds.
#include "reply/keystrokes.h"

#include <gtest/gtest.h>

#include <cstring>
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

// Each key by its jamo index as an initial, a vowel and a final (-1: none);
// case names different keys, and a tense consonant is no final.
TEST(KeyboardTables, SingleKeys) {
    struct Case {
        char key;
        int initial, vowel, final_consonant;
    };
    const Case cases[] = {
        {'R', 0, -1, 1},   {'r', 1, -1, 2},   {'D', 11, -1, 21}, {'G', 18, -1, 27}, {'t', 10, -1, 20},
        {'e', 4, -1, -1},  {'q', 8, -1, -1},  {'w', 13, -1, -1}, {'K', -1, 0, -1},  {'O', -1, 1, -1},
        {'o', -1, 3, -1},  {'p', -1, 7, -1},  {'H', -1, 8, -1},  {'L', -1, 20, -1}, {'k', -1, -1, -1},
        {'\0', -1, -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(initial_index(c.key), c.initial) << c.key;
        EXPECT_EQ(vowel_index(c.key), c.vowel) << c.key;
        EXPECT_EQ(final_index(c.key), c.final_consonant) << c.key;
    }
}

TEST(KeyboardTables, CompoundPairs) {
    struct Case {
        char a, b;
        int vowel, final_consonant;
    };
    const Case cases[] = {
        {'H', 'K', 9, -1},  {'H', 'O', 10, -1}, {'H', 'L', 11, -1}, {'N', 'J', 14, -1},
        {'N', 'P', 15, -1}, {'N', 'L', 16, -1}, {'M', 'L', 19, -1}, {'R', 'T', -1, 3},
        {'S', 'W', -1, 5},  {'S', 'G', -1, 6},  {'F', 'R', -1, 9},  {'F', 'A', -1, 10},
        {'F', 'Q', -1, 11}, {'F', 'T', -1, 12}, {'F', 'X', -1, 13}, {'F', 'V', -1, 14},
        {'F', 'G', -1, 15}, {'Q', 'T', -1, 18}, {'K', 'H', -1, -1}, {'R', 'R', -1, -1},
        {'h', 'k', -1, -1}, {'F', 'r', -1, -1}, {'\0', '\0', -1, -1}, {'K', '\0', -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compound_vowel_index(c.a, c.b), c.vowel) << c.a << c.b;
        EXPECT_EQ(compound_final_index(c.a, c.b), c.final_consonant) << c.a << c.b;
    }
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
    int mismatches = 0;
    for (int l = 0; l < 19; ++l) {
        for (int v = 0; v < 21; ++v) {
            for (int t = 0; t < 28; ++t) {
                char32_t code = static_cast<char32_t>(0xAC00 + (l * 21 + v) * 28 + t);
                bool ok = false;
                std::string expected = test::cp949_by_iconv(std::u32string_view(&code, 1), &ok);
                ASSERT_TRUE(ok) << "iconv cannot encode U+" << std::hex << static_cast<unsigned>(code);
                char out[3] = {'x', 'x', 'x'};
                ASSERT_EQ(syllable(l, v, t, out), 2);
                if (std::string(out, 3) != expected + '\0' && ++mismatches < 10) {
                    ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(code);
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

struct RunCase {
    const char* keys;
    const char* text;
};

class RunExamples : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunExamples, GivesText) {
    EXPECT_EQ(test::run_text(GetParam().keys), GetParam().text) << GetParam().keys;
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, RunExamples,
                         ::testing::Values(RunCase{"DKSSUD", "\xBE\xC8\xB3\xE7"},            // 안녕
                                           RunCase{"RKQT", "\xB0\xAA"},                      // 값
                                           RunCase{"RKQTL", "\xB0\xA9\xBD\xC3"},             // 갑시
                                           RunCase{"EKFRRHRL", "\xB4\xDF\xB0\xED\xB1\xE2"},  // 닭고기
                                           RunCase{"RHKD", "\xB1\xA4"},                      // 광
                                           RunCase{"RKt EK", "\xB0\xAC\x20\xB4\xD9"},        // 갔 다
                                           RunCase{"RK1", "\xB0\xA1\x31"},                   // 가1
                                           RunCase{"DK SK", "\xBE\xC6\x20\xB3\xAA"},         // 아 나
                                           RunCase{"RKQTDL", "\xB0\xAA\xC0\xCC"},            // 값이
                                           RunCase{"RKRRK", "\xB0\xA2\xB0\xA1"},             // 각가
                                           RunCase{"RNRALSZKEM", "\xB1\xB9\xB9\xCE\xC4\xAB\xB5\xE5"},  // 국민카드
                                           RunCase{"GKSEHCHRHK", "\xC7\xD1\xB5\xB5\xC3\xCA\xB0\xFA"},  // 한도초과
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

// Bytes outside runs pass in order; a run left open at the end is dropped,
// and so is one whose SI stands in the last byte, which is the check byte's
// place and never looked at; an empty run or a stray SI adds nothing; a run
// is read to its capacity of 100 keystrokes.
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
        std::string msg = run_of(keys) + "Z";
        int n = convert_keystrokes(msg.data(), static_cast<int>(msg.size()));
        EXPECT_LE(n, static_cast<int>(std::strlen(keys))) << keys;
    }
}

}  // namespace
}  // namespace zpos
