// The simulator's speller: UTF-8 text to the host's wire form, where every run
// of Hangul syllables travels as 2-set keyboard keystrokes between SO and SI.
// Other characters pass through unchanged, outside the runs.
#pragma once

#include <string>
#include <string_view>

namespace zpos::host {

inline constexpr char kSO = 0x0E;
inline constexpr char kSI = 0x0F;

// Keystrokes of one syllable (U+AC00..U+D7A3); "" for any other code point.
std::string syllable_keystrokes(char32_t syllable);

// The whole text in wire form. A run holds at most 100 keystrokes; a longer
// one is closed and a new one opened between two syllables.
std::string spell_for_wire(std::string_view utf8);

}  // namespace zpos::host
