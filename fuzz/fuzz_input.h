// A fuzz target's application directory, and cutting a fuzz input into its
// parts: texts that end at a NUL byte, then the rest as raw bytes; a selector
// byte that picks the message kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "support/message_kinds.h"
#include "tests/common/app_dir.h"

namespace zpos::fuzz {

// The process's one application directory, made on first use; in memory
// where the system has it, since the settings writes sync to disk.
inline test::AppDir& app_dir() {
    static test::AppDir dir("/dev/shm");
    return dir;
}

// Takes bytes up to the next NUL (or the end) off the front of `in`.
inline std::string take_text(std::string_view& in) {
    std::size_t end = in.find('\0');
    std::string text(in.substr(0, end));
    in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
    return text;
}

// The message kind a selector byte picks: the kinds table's rows (the first,
// the management message, only `with_management`), then two that are no kind.
inline int selected_kind(std::uint8_t selector, bool with_management) {
    static_assert(kKinds[0].family == Family::management);
    constexpr int kNoKinds[] = {3, 99};
    std::size_t first = with_management ? 0 : 1;
    std::size_t rows = std::size(kKinds) - first;
    std::size_t i = selector % (rows + std::size(kNoKinds));
    return i < rows ? kKinds[first + i].kind : kNoKinds[i - rows];
}

}  // namespace zpos::fuzz
