// Base64 of the backup request's signature field.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "backup/base64.h"

namespace zpos {
namespace {

struct Vector {
    std::string source;
    const char* text;
};

class Base64Vectors : public ::testing::TestWithParam<Vector> {};

TEST_P(Base64Vectors, EncodeAsTheStandardSays) {
    std::array<char, 32> dest;
    dest.fill('#');
    const Vector& v = GetParam();
    int n = base64_encode(v.source, dest);
    EXPECT_EQ(std::string(dest.data(), static_cast<std::size_t>(n)), v.text);
    EXPECT_EQ(base64_length(v.source.size()), std::string(v.text).size());
    EXPECT_EQ(dest[static_cast<std::size_t>(n)], '\0');
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64Vectors,
                         ::testing::Values(Vector{"", ""}, Vector{"f", "Zg=="}, Vector{"fo", "Zm8="},
                                           Vector{"foo", "Zm9v"}, Vector{"foob", "Zm9vYg=="},
                                           Vector{"fooba", "Zm9vYmE="}, Vector{"foobar", "Zm9vYmFy"}));

// Bytes above 0x7f, which a signed char must not turn negative, and the last
// two letters of the alphabet; zeros come in the largest signature below.
INSTANTIATE_TEST_SUITE_P(Bytes, Base64Vectors,
                         ::testing::Values(Vector{"\xff\xff\xff", "////"}, Vector{"\xfb\xff", "+/8="}));

TEST(Base64, LargestSignatureFitsItsBuffer) {
    static std::array<char, 2000> source;
    source.fill('\0');
    static std::array<char, kBase64TextSize> dest;
    EXPECT_EQ(base64_encode(source, dest), 2668);
    EXPECT_EQ(std::string(dest.data(), 8), "AAAAAAAA");
    EXPECT_EQ(std::string(dest.data() + 2664), "AAA=");
}

TEST(Base64, DestinationTooSmallGivesAnEmptyText) {
    std::array<char, 4> dest;  // "Zm9v" needs a fifth byte for its NUL
    dest.fill('#');
    EXPECT_EQ(base64_encode(std::string_view("foo"), dest), 0);
    EXPECT_EQ(dest[0], '\0');
}

}  // namespace
}  // namespace zpos
