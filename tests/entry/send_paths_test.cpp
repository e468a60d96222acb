// The track split that feeds the card security store.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry/send_paths.h"
#include "tests/common/print.h"

namespace zpos::test {
namespace {

struct SplitCase {
    const char* name;
    const char* track;  // NUL-padded to 37 characters
    const char* card_number;
    const char* rest;
};

class SplitTrack : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTrack, CardNumberBeforeTheFirstEqualsRestAfterIt) {
    const SplitCase& c = GetParam();
    char track[37];
    std::memset(track, '\0', sizeof track);
    std::memcpy(track, c.track, std::strlen(c.track));
    char card_number[kCardNumberSize];
    char rest[kTrackRestSize];
    split_track(track, sizeof track, card_number, rest);
    EXPECT_STREQ(card_number, c.card_number);
    EXPECT_STREQ(rest, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTrack,
    ::testing::Values(SplitCase{"Plain", "9410123456789012=2512", "9410123456789012", "2512"},
                      SplitCase{"TwoSeparators", "9410123456789012=25=12", "9410123456789012", "2512"},
                      SplitCase{"NoSeparator", "9410123456789012", "9410123456789012", ""},
                      SplitCase{"LongNumberCutAt21", "1234567890123456789012345=2512", "123456789012345678901",
                                "2512"},
                      SplitCase{"Empty", "", "", ""},
                      SplitCase{"WholeImageAfterTheSeparator", "=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "",
                                "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"}),
    RowName{});

}  // namespace
}  // namespace zpos::test
