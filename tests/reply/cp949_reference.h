// What the library's keystroke converter is checked against: the CP949 bytes
// of a text as glibc's iconv gives them, random texts whose keystrokes fit one
// run, and the converter's own text for one run.
#pragma once

#include <random>
#include <string>
#include <string_view>

namespace zpos::test {

// `text` in CP949 through iconv(3); "" with `ok` false when iconv fails.
std::string cp949_by_iconv(std::u32string_view text, bool* ok = nullptr);

// A random text of syllables with blanks and digits between them, whose
// keystrokes fit one run.
std::u32string random_text(std::mt19937& rng);

// The library's text for one run of keystrokes.
std::string run_text(std::string_view keys);

}  // namespace zpos::test
