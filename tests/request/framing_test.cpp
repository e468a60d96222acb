// The check byte after ETX: XOR of every byte after STX through ETX.
#include <gtest/gtest.h>

#include "request/framing.h"

namespace zpos {
namespace {

TEST(CheckByte, XorOfTheBytesAfterStx) {
    char buf[8] = {0x02, 0x41, 0x42, 0x43, 0x03};
    EXPECT_EQ(check_byte(buf, 5), 0x43);  // 41 ^ 42 ^ 43 ^ 03
    EXPECT_EQ(frame_message(buf, 5), 6);
    EXPECT_EQ(buf[5], 0x43);
}

TEST(CheckByte, NothingAfterStxGivesZero) {
    char buf[4] = {0x02, 0x7F};
    EXPECT_EQ(check_byte(buf, 1), 0);
    EXPECT_EQ(check_byte(buf, 0), 0);
    EXPECT_EQ(frame_message(buf, 1), 2);
    EXPECT_EQ(buf[1], 0);
}

TEST(CheckByte, HighBytesStayUnsigned) {
    const char buf[] = {0x02, '\xC7', '\xCF', 0x03};
    EXPECT_EQ(check_byte(buf, 4), 0xC7 ^ 0xCF ^ 0x03);
}

}  // namespace
}  // namespace zpos
