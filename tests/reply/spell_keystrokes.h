// Test tools for Korean text: spelling Hangul as the host's 2-set keystrokes
// (upper case = key alone, lower case = with Shift), and the CP949 bytes of a
// text as glibc's iconv gives them, as the reference the library must match.
#pragma once

#include <string>
#include <string_view>

namespace zpos::test {

// The keystrokes that type `text`: each precomposed syllable U+AC00..U+D7A3
// as its initial, vowel and final keys; every other character (blanks, digits,
// ASCII) as its own byte.
std::string spell_keystrokes(std::u32string_view text);

// `text` in CP949 through iconv(3); "" with `ok` false when iconv fails.
std::string cp949_by_iconv(std::u32string_view text, bool* ok = nullptr);

// The bytes written "\x0E" keys "\x0F": one keystroke run as the host sends it.
inline std::string run_of(std::string_view keys) {
    std::string run = "\x0E";
    run += keys;
    run += '\x0F';
    return run;
}

}  // namespace zpos::test
