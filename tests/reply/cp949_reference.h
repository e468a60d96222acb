// What the keystroke converter is checked against.
#pragma once

#include <random>
#include <string>
#include <string_view>

namespace zpos::test {

// `bytes` from one encoding to another through iconv(3); "" with `ok` false
// when iconv fails.
std::string by_iconv(const char* from, const char* to, std::string_view bytes, bool* ok = nullptr);

// `text` in CP949 through iconv(3); "" with `ok` false when iconv fails.
std::string cp949_by_iconv(std::u32string_view text, bool* ok = nullptr);

// A random text of syllables with blanks and digits between them, whose
// keystrokes fit one run.
std::u32string random_text(std::mt19937& rng);

// The library's text for one run of keystrokes.
std::string run_text(std::string_view keys);

}  // namespace zpos::test
