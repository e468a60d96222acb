// The host link's bytes as zpos-host and the tests write and read them: the
// control frames, the body mask, the check byte, FS-separated fields, whole
// replies built from their fields, and the hexadecimal form of a frame.
// Written here apart from the library's framing, so that they check it
// instead of sharing it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/link_bytes.h"

namespace zpos::tools {

namespace detail {
template <char Control>
inline constexpr char kFrame[3] = {0x00, 0x01, Control};
}  // namespace detail

// Control frames: a body length of 1 in two bytes, then the control byte.
inline constexpr std::string_view kEnqFrame{detail::kFrame<kENQ>, 3};
inline constexpr std::string_view kAckFrame{detail::kFrame<kACK>, 3};
inline constexpr std::string_view kNakFrame{detail::kFrame<kNAK>, 3};
inline constexpr std::string_view kEotFrame{detail::kFrame<kEOT>, 3};

// Masks or unmasks (the mask is its own inverse) with the key of the length:
// its low byte, or its high byte when the low is 0.
void apply_mask(std::string& bytes);
// The message with its check byte: the XOR of every byte after STX.
std::string with_check(std::string message);
// The big-endian 16-bit number at `at`.
std::size_t length_at(const std::string& s, std::size_t at);
std::vector<std::string> split_fs(const std::string& s);
// "00 01 05" form.
std::string hex(const std::string& bytes);

// A host reply: STX, the six header bytes, the fields joined by FS, ETX and
// the check byte.
std::string reply_message(std::string_view header, const std::vector<std::string>& fields);
// The link frame of a plain body: length, then the body masked with its key.
std::string link_frame(const std::string& plain_body);

}  // namespace zpos::tools
