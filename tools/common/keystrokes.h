// The one keystroke speller of zpos-host and the tests: Hangul as the
// host's 2-set keyboard keystrokes (upper case = key alone, lower case = with
// Shift). Written apart from the library's converter, so it checks it.
#pragma once

#include <string>
#include <string_view>

#include "tools/common/link_bytes.h"

namespace zpos::tools {

// Code points of UTF-8 text; U+FFFD for each broken sequence.
std::u32string decode_utf8(std::string_view utf8);

// The keystrokes that type `text`: each syllable as its initial, vowel and
// final keys, every other character as its own byte.
std::string spell_keystrokes(std::u32string_view text);

// UTF-8 text as the host sends it: every run of syllables as keystrokes
// between SO and SI, other characters unchanged outside the runs. A run holds
// at most 100 keystrokes; a longer one is closed and a new one opened between
// two syllables.
std::string spell_for_wire(std::string_view utf8);

// The bytes SO, `keys`, SI: one keystroke run as the host sends it.
inline std::string run_of(std::string_view keys) {
    std::string run(1, kSO);
    run += keys;
    run += kSI;
    return run;
}

}  // namespace zpos::tools
