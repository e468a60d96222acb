// The CP949 bytes of a text as glibc's iconv gives them: the reference the
// library's keystroke converter must match.
#pragma once

#include <string>
#include <string_view>

namespace zpos::test {

// `text` in CP949 through iconv(3); "" with `ok` false when iconv fails.
std::string cp949_by_iconv(std::u32string_view text, bool* ok = nullptr);

}  // namespace zpos::test
