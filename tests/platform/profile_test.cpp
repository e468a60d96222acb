// Settings-file reads and writes behave as the Win32 private-profile calls do
// for the library's callers.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"
#include "tests/common/app_dir.h"

namespace zpos::test {
namespace {

std::string read(const AppDir& dir, const char* section, const char* key, int size = 64,
                 const char* fallback = "") {
    char out[256];
    std::memset(out, 'x', sizeof out);
    platform::profile_read(section, key, fallback, out, size, dir.settings_path().c_str());
    return out;
}

TEST(ProfileRead, MissingFileSectionOrKeyGivesTheDefault) {
    AppDir dir;
    EXPECT_EQ(read(dir, "VANCFG", "VANID", 64, "dflt"), "dflt");
    dir.write_settings("[VANCFG]\nVANID=2\n");
    EXPECT_EQ(read(dir, "OTHER", "VANID", 64, "dflt"), "dflt");
    EXPECT_EQ(read(dir, "VANCFG", "EOT_CNT", 64, ""), "");
}

TEST(ProfileRead, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
    AppDir dir;
    dir.write_settings("; comment\r\n[vancfg]\r\n  VanId =  2  \r\nTOGGLE_TIME=1700000000    \r\n");
    EXPECT_EQ(read(dir, "VANCFG", "VANID"), "2");
    EXPECT_EQ(read(dir, "VANCFG", "TOGGLE_TIME"), "1700000000");
}

TEST(ProfileRead, BufferOfNBytesKeepsNMinusOneCharacters) {
    AppDir dir;
    dir.write_settings("[COM_PORT]\nSignSetting=YESPLEASE\n");
    EXPECT_EQ(read(dir, "COM_PORT", "SignSetting", 4), "YES");
    EXPECT_EQ(read(dir, "COM_PORT", "SignSetting", 1), "");
    char out[4];
    EXPECT_EQ(platform::profile_read("COM_PORT", "SignSetting", "", out, 4, dir.settings_path().c_str()), 3);
}

TEST(ProfileRead, FirstSectionOfTheNameAndFirstKeyWin) {
    AppDir dir;
    dir.write_settings("[A]\nK=1\nK=2\n[B]\nK=3\n");
    EXPECT_EQ(read(dir, "A", "K"), "1");
    EXPECT_EQ(read(dir, "B", "K"), "3");
}

struct WriteCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKeyLine) {
    const WriteCase& c = GetParam();
    AppDir dir;
    if (c.before) dir.write_settings(c.before);
    ASSERT_TRUE(platform::profile_write(c.section, c.key, c.value, dir.settings_path().c_str()));
    EXPECT_EQ(dir.read_settings(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWrite,
    ::testing::Values(
        WriteCase{"CreatesFile", nullptr, "VANCFG", "VANID", "2", "[VANCFG]\nVANID=2\n"},
        WriteCase{"AddsSectionAtEnd", "[COM_PORT]\nPIN=YES", "VANCFG", "EOT_CNT", "1",
                  "[COM_PORT]\nPIN=YES\n[VANCFG]\nEOT_CNT=1\n"},
        WriteCase{"ReplacesValueKeepsOthers", "; keep me\n[VANCFG]\nVANID=1\nEOT_CNT=0\n\n[SIGNPAD]\nVALUE=HCS\n",
                  "vancfg", "EOT_CNT", "2", "; keep me\n[VANCFG]\nVANID=1\nEOT_CNT=2\n\n[SIGNPAD]\nVALUE=HCS\n"},
        WriteCase{"AddsKeyAfterLastLineOfSection", "[VANCFG]\nVANID=1\n\n[SIGNPAD]\nVALUE=HCS\n", "VANCFG",
                  "TOGGLE_TIME", "1700000000    ",
                  "[VANCFG]\nVANID=1\nTOGGLE_TIME=1700000000    \n\n[SIGNPAD]\nVALUE=HCS\n"},
        WriteCase{"KeepsWindowsLineEnds", "[VANCFG]\r\nVANID=2\r\n", "VANCFG", "EOT_CNT", "0",
                  "[VANCFG]\r\nVANID=2\r\nEOT_CNT=0\r\n"},
        WriteCase{"SameValueOtherSpacingIsRewritten", "[VANCFG]\nVANID = 1\nEOT_CNT=0", "VANCFG", "VANID", "1",
                  "[VANCFG]\nVANID=1\nEOT_CNT=0"},
        WriteCase{"LastLineWithoutBreakGetsOne", "[VANCFG]\nEOT_CNT=0", "VANCFG", "EOT_CNT", "0",
                  "[VANCFG]\nEOT_CNT=0\n"}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(ProfileWriteFailure, UnwritableDirectoryReportsFailure) {
    EXPECT_FALSE(platform::profile_write("VANCFG", "VANID", "1", "/nonexistent-dir/ZposSign.ini"));
}

}  // namespace
}  // namespace zpos::test
