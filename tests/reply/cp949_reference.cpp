// CP949 through iconv, the reference encoder.
#include "tests/reply/cp949_reference.h"

#include <iconv.h>

namespace zpos::test {

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
