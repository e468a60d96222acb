// The host link's bytes as the simulator sees them: control frames, the body
// mask, the check byte, FS-separated fields and the hexadecimal form of the
// record file. Written here on their own, so the simulator checks the
// library's framing instead of sharing it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/wire.h"

namespace zpos::host {

using wire::kAckFrame;
using wire::kEnqFrame;
using wire::kEotFrame;
using wire::kETX;
using wire::kFS;
using wire::kNakFrame;
using wire::kSTX;

// The mask key of a length: its low byte, or its high byte when the low is 0.
unsigned char mask_key(std::size_t length);
// Masks or unmasks (the mask is its own inverse) with the key of the length.
void apply_mask(std::string& bytes);
// XOR of bytes [from, to).
unsigned char xor_of(const std::string& s, std::size_t from, std::size_t to);
// The big-endian 16-bit number at `at`.
std::size_t length_at(const std::string& s, std::size_t at);
std::vector<std::string> split_fs(const std::string& s);
// "00 01 05" form.
std::string hex(const std::string& bytes);

// The link frame of a plain body: length, then the body masked with its key.
std::string link_frame(const std::string& plain_body);

}  // namespace zpos::host
