// The check byte after ETX: XOR of every byte after STX through ETX, taken
// unsigned, written after the message.
#include <gtest/gtest.h>

#include <string>

#include "request/framing.h"

namespace zpos {
namespace {

TEST(CheckByte, XorOfTheBytesAfterStx) {
    const struct {
        std::string message;
        unsigned char check;
    } cases[] = {
        {"\x02" "ABC\x03", 0x41 ^ 0x42 ^ 0x43 ^ 0x03},
        {"\x02" "\xC7\xCF\x03", 0xC7 ^ 0xCF ^ 0x03},
        {"\x02", 0},  // nothing after STX
        {"", 0},
    };
    for (const auto& c : cases) {
        char buf[8] = {};
        c.message.copy(buf, c.message.size());
        int n = static_cast<int>(c.message.size());
        EXPECT_EQ(check_byte(buf, n), c.check) << c.message.size();
        EXPECT_EQ(frame_message(buf, n), n + 1);
        EXPECT_EQ(static_cast<unsigned char>(buf[n]), c.check);
    }
}

}  // namespace
}  // namespace zpos
