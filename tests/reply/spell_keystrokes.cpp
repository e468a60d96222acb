// Keystroke spelling from the Unicode jamo indices, with the key tables written
// out here on their own (the library's tables are what the tests check), and
// the iconv reference encoder.
#include "tests/reply/spell_keystrokes.h"

#include <iconv.h>

#include <cerrno>

namespace zpos::test {

namespace {
// Keys of each jamo, by Unicode composition index.
constexpr const char* kInitialKeys[19] = {"R", "r", "S", "E", "e", "F", "A", "Q", "q", "T",
                                          "t", "D", "W", "w", "C", "Z", "X", "V", "G"};
constexpr const char* kVowelKeys[21] = {"K", "O", "I", "o", "J",  "P",  "U",  "p", "H", "HK", "HO",
                                        "HL", "Y", "N", "NJ", "NP", "NL", "B", "M", "ML", "L"};
constexpr const char* kFinalKeys[28] = {"",  "R",  "r",  "RT", "S",  "SW", "SG", "E", "F", "FR",
                                        "FA", "FQ", "FT", "FX", "FV", "FG", "A",  "Q", "QT", "T",
                                        "t",  "D",  "W",  "C",  "Z",  "X",  "V",  "G"};
}  // namespace

std::string spell_keystrokes(std::u32string_view text) {
    std::string keys;
    for (char32_t c : text) {
        if (c >= 0xAC00 && c <= 0xD7A3) {
            unsigned s = static_cast<unsigned>(c - 0xAC00);
            keys += kInitialKeys[s / 588];
            keys += kVowelKeys[(s % 588) / 28];
            keys += kFinalKeys[s % 28];
        } else {
            keys += static_cast<char>(c);
        }
    }
    return keys;
}

std::string cp949_by_iconv(std::u32string_view text, bool* ok) {
    if (ok) *ok = false;
    iconv_t cd = iconv_open("CP949", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in;
    for (char32_t c : text) {
        for (int b = 0; b < 4; ++b) in += static_cast<char>((static_cast<unsigned>(c) >> (8 * b)) & 0xFF);
    }
    std::string out(text.size() * 4 + 4, '\0');
    char* src = in.data();
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) return {};
    out.resize(out.size() - dst_left);
    if (ok) *ok = true;
    return out;
}

}  // namespace zpos::test
