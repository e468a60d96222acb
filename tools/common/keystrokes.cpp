// UTF-8 decoding and the 2-set keyboard tables by Unicode composition index.
#include "tools/common/keystrokes.h"

namespace zpos::tools {

namespace {
constexpr const char* kInitialKeys[19] = {"R", "r", "S", "E", "e", "F", "A", "Q", "q", "T",
                                          "t", "D", "W", "w", "C", "Z", "X", "V", "G"};
constexpr const char* kVowelKeys[21] = {"K", "O", "I", "o", "J",  "P",  "U",  "p", "H", "HK", "HO",
                                        "HL", "Y", "N", "NJ", "NP", "NL", "B", "M", "ML", "L"};
constexpr const char* kFinalKeys[28] = {"",  "R",  "r",  "RT", "S",  "SW", "SG", "E", "F", "FR",
                                        "FA", "FQ", "FT", "FX", "FV", "FG", "A",  "Q", "QT", "T",
                                        "t",  "D",  "W",  "C",  "Z",  "X",  "V",  "G"};
constexpr std::size_t kRunLimit = 100;

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Keystrokes of one syllable (U+AC00..U+D7A3); "" for any other code point.
std::string syllable_keystrokes(char32_t syllable) {
    if (syllable < 0xAC00 || syllable > 0xD7A3) return {};
    unsigned index = static_cast<unsigned>(syllable - 0xAC00);
    std::string keys = kInitialKeys[index / 588];
    keys += kVowelKeys[(index % 588) / 28];
    keys += kFinalKeys[index % 28];
    return keys;
}
}  // namespace

std::u32string decode_utf8(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i++]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        char32_t cp = extra < 0 ? 0xFFFD : extra == 0 ? c : (c & (0x3F >> extra));
        for (int k = 0; k < extra; ++k) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) >> 6) != 2) {
                cp = 0xFFFD;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
        }
        out += cp;
    }
    return out;
}

std::string spell_keystrokes(std::u32string_view text) {
    std::string keys;
    for (char32_t c : text) {
        std::string k = syllable_keystrokes(c);
        if (k.empty()) k = std::string(1, static_cast<char>(c));
        keys += k;
    }
    return keys;
}

std::string spell_for_wire(std::string_view utf8) {
    std::string out;
    std::size_t run = 0;
    bool in_run = false;
    for (char32_t cp : decode_utf8(utf8)) {
        std::string keys = syllable_keystrokes(cp);
        if (keys.empty()) {
            if (in_run) out += kSI;
            in_run = false;
            append_utf8(out, cp);
            continue;
        }
        if (in_run && run + keys.size() > kRunLimit) {
            out += kSI;
            in_run = false;
        }
        if (!in_run) {
            out += kSO;
            in_run = true;
            run = 0;
        }
        out += keys;
        run += keys.size();
    }
    if (in_run) out += kSI;
    return out;
}

}  // namespace zpos::tools
