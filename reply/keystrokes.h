// Korean text that the host sends as 2-set keyboard keystrokes between SO and
// SI: the keyboard tables, their lookups, one syllable as CP949 bytes, one run
// turned into text, and the in-place conversion of a whole reply message.
#pragma once

#include <array>
#include <cstddef>

namespace zpos {

// Keystrokes one run holds; a longer run is cut here.
inline constexpr std::size_t kRunCapacity = 100;
// Bytes of a message the conversion reads and writes.
inline constexpr std::size_t kMessageCapacity = 3000;

// A run buffer: the keystrokes, then their text, always NUL-terminated.
using RunBuffer = std::array<char, kRunCapacity + 1>;

// Jamo index of a key, -1 when the key has none in that position. Upper-case
// letters are the keys pressed alone, lower-case the same keys with Shift.
int initial_index(char letter);
int vowel_index(char letter);
int final_index(char letter);
// Vowels and finals typed as two keys (HK is the vowel 9, RT the final 3).
int compound_vowel_index(char first, char second);
int compound_final_index(char first, char second);

// Writes the CP949 bytes of the syllable (initial, vowel, final) and a NUL into
// `out` (3 bytes) and gives their count: 2, or 0 (empty text) when an index is
// outside its table. Built in, whatever the system's locale.
int syllable(int initial, int vowel, int final_consonant, char out[3]);

// Converts the first `count` keystrokes of `run` (cut to kRunCapacity) into
// text, written over the run buffer from its start, NUL-terminated and the
// rest zeroed; gives the text length. Letters that cannot take their place in
// a syllable come out unchanged, like digits and blanks do; the text is never
// longer than the keystrokes.
int convert_run(int count, RunBuffer& run);

// Replaces every SO..SI run of the first `length` bytes of `message` by its
// text and drops the SO and SI bytes; the last byte (the check byte) is never
// looked at and a run still open at the end is dropped. Gives the new length;
// bytes after it keep what they held. At most kMessageCapacity bytes are read
// and never more than the input length is written back.
int convert_keystrokes(char* message, int length);

}  // namespace zpos
