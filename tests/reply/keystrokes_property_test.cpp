// Round trip: random Korean texts (any syllable, with blanks and digits
// between them) spelled as keystrokes come back as exactly their CP949 bytes,
// in a single run and inside a reply message with several runs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "reply/keystrokes.h"
#include "tests/common/wire.h"
#include "tests/reply/cp949_reference.h"

namespace zpos {
namespace {

TEST(KeystrokeRoundTrip, RandomTextsInOneRun) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 3000; ++round) {
        std::u32string text = test::random_text(rng);
        std::string keys = test::spell_keystrokes(text);
        bool ok = false;
        std::string expected = test::cp949_by_iconv(text, &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(test::run_text(keys), expected) << "keys " << keys;
    }
}

TEST(KeystrokeRoundTrip, RandomTextsInsideAMessage) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::string message = "\x02" "123456";
        std::string expected = message;
        for (int field = 0; field < 6; ++field) {
            std::u32string text = test::random_text(rng);
            message += "F" + std::to_string(field) + test::run_of(test::spell_keystrokes(text)) + "\x1C";
            expected += "F" + std::to_string(field) + test::cp949_by_iconv(text) + "\x1C";
        }
        message += "\x03" "K";  // ETX, then the check byte
        expected += "\x03";
        int n = convert_keystrokes(message.data(), static_cast<int>(message.size()));
        ASSERT_EQ(message.substr(0, static_cast<std::size_t>(n)), expected);
    }
}

}  // namespace
}  // namespace zpos
