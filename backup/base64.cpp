// Base64 encoding: three source bytes become four characters of the standard
// alphabet; a last group of one or two bytes is padded with "=".
#include "backup/base64.h"

namespace zpos {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

int base64_encode(std::span<const char> source, std::span<char> dest) {
    if (dest.empty()) return 0;
    std::size_t need = base64_length(source.size());
    if (need + 1 > dest.size()) {
        dest[0] = '\0';
        return 0;
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < source.size(); i += 3) {
        std::size_t left = source.size() - i;
        unsigned b0 = static_cast<unsigned char>(source[i]);
        unsigned b1 = left > 1 ? static_cast<unsigned char>(source[i + 1]) : 0;
        unsigned b2 = left > 2 ? static_cast<unsigned char>(source[i + 2]) : 0;
        unsigned group = b0 << 16 | b1 << 8 | b2;
        dest[out++] = kAlphabet[group >> 18 & 0x3f];
        dest[out++] = kAlphabet[group >> 12 & 0x3f];
        dest[out++] = left > 1 ? kAlphabet[group >> 6 & 0x3f] : '=';
        dest[out++] = left > 2 ? kAlphabet[group & 0x3f] : '=';
    }
    dest[out] = '\0';
    return static_cast<int>(out);
}

}  // namespace zpos
