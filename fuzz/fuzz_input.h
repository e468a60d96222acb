// Cutting a fuzz input into its parts: texts that end at a NUL byte, then the
// rest as raw bytes.
#pragma once

#include <string>
#include <string_view>

namespace zpos::fuzz {

// Takes bytes up to the next NUL (or the end) off the front of `in`.
inline std::string take_text(std::string_view& in) {
    std::size_t end = in.find('\0');
    std::string text(in.substr(0, end));
    in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
    return text;
}

}  // namespace zpos::fuzz
