// Outside check: well-formed keystroke runs typed into libhangul's 2-set keyboard
// (keys as typed, so the host's letters change case) give the library's syllables.
#include <gtest/gtest.h>
#include <hangul.h>

#include <cctype>
#include <random>
#include <string>

#include "reply/keystrokes.h"
#include "tests/common/wire.h"
#include "tests/reply/cp949_reference.h"

namespace zpos {
namespace {

std::u32string typed_into_libhangul(const std::string& keys) {
    HangulInputContext* ic = hangul_ic_new("2");
    std::u32string text;
    auto append = [&text](const ucschar* s) {
        for (; s && *s; ++s) text += static_cast<char32_t>(*s);
    };
    for (char k : keys) {
        char typed = static_cast<char>(std::isupper(k) ? std::tolower(k) : std::toupper(k));
        bool taken = hangul_ic_process(ic, typed);
        append(hangul_ic_get_commit_string(ic));
        if (!taken) text += static_cast<char32_t>(static_cast<unsigned char>(typed));
    }
    append(hangul_ic_flush(ic));
    hangul_ic_delete(ic);
    return text;
}

TEST(LibhangulCrossCheck, RandomWellFormedRuns) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 2000; ++round) {
        std::string keys = test::spell_keystrokes(test::random_text(rng));
        ASSERT_EQ(test::run_text(keys), test::cp949_by_iconv(typed_into_libhangul(keys))) << "keys " << keys;
    }
}

}  // namespace
}  // namespace zpos
