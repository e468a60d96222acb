// CP949 through iconv, the reference encoder; random texts; one run through
// the library's converter.
#include "tests/reply/cp949_reference.h"

#include <iconv.h>

#include <bit>
#include <cstring>

#include "reply/keystrokes.h"
#include "tests/common/wire.h"

namespace zpos::test {

std::string by_iconv(const char* from, const char* to, std::string_view bytes, bool* ok) {
    if (ok) *ok = false;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in(bytes);
    std::string out(in.size() * 4 + 4, '\0');
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

std::string cp949_by_iconv(std::u32string_view text, bool* ok) {
    const char* utf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
    return by_iconv(utf32, "CP949", {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char32_t)}, ok);
}

std::u32string random_text(std::mt19937& rng) {
    std::uniform_int_distribution<int> pick(0, 9);
    std::uniform_int_distribution<int> syllable_of(0, 11171);
    std::uniform_int_distribution<int> digit(0, 9);
    std::u32string text;
    for (;;) {
        int p = pick(rng);
        char32_t c = p == 0   ? U' '
                     : p == 1 ? static_cast<char32_t>(U'0' + digit(rng))
                              : static_cast<char32_t>(0xAC00 + syllable_of(rng));
        if (spell_keystrokes(text + c).size() > kRunCapacity) return text;
        text += c;
    }
}

std::string run_text(std::string_view keys) {
    RunBuffer run{};
    std::memcpy(run.data(), keys.data(), keys.size() < kRunCapacity ? keys.size() : kRunCapacity);
    int n = convert_run(static_cast<int>(keys.size()), run);
    return std::string(run.data(), static_cast<std::size_t>(n));
}

}  // namespace zpos::test
