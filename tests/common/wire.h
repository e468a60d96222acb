// The host link's bytes as the tests and zpos-host write and read them: the
// body mask, the check byte, FS-separated fields, whole messages built from
// their fields, and the hexadecimal form of a frame. Written here apart from
// the library's framing, so that they check it instead of sharing it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "support/wire.h"

namespace zpos::test {

using wire::kAckFrame;
using wire::kEnqFrame;
using wire::kEotFrame;
using wire::kNakFrame;

inline const std::string STX(1, wire::kSTX);
inline const std::string ETX(1, wire::kETX);
inline const std::string FS(1, wire::kFS);

inline std::string nuls(std::size_t n) { return std::string(n, '\0'); }

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

// A transaction message as the request builder writes it, before its check
// byte: STX, 'I', the entry indicator, the length (through ETX and the check
// byte), "POS", the code, FS, each field followed by FS, the blocks, ETX.
std::string transaction_message(char entry, std::string_view code, const std::vector<std::string>& fields,
                                std::string_view blocks = "");
// A small transaction message with its check byte, as a card approval
// ("S", code "10") is framed: term_id 1234567890, track2
// 9410123456789012=2512, instalments 00, amount 00001000.
inline std::string sample_transaction_message() {
    return with_check(transaction_message('S', "10", {"1234567890", "9410123456789012=2512", "00", "00001000"}));
}
// A host reply: STX, the six header bytes, the fields joined by FS, ETX and
// the check byte.
std::string reply_message(std::string_view header, const std::vector<std::string>& fields);
// The link frame of a plain body: length, then the body masked with its key.
std::string link_frame(const std::string& plain_body);

}  // namespace zpos::test
