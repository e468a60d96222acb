// Settings-file reads and writes behave as the Win32 private-profile calls do
// for the library's callers; on POSIX, who may read a new log or settings
// file, what a replaced settings file keeps, and one beyond the reader's buffer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/log.h"
#include "tests/common/app_dir.h"
#include "tests/common/print.h"

namespace zpos::test {
namespace {

// A missing file, section or key gives the default; sections and keys ignore
// case and values are trimmed and unquoted; a buffer of N bytes keeps N-1 characters; the
// first section of a name and the first key in it win.
TEST(ProfileRead, AsTheWin32CallReads) {
    struct Case {
        const char* file;  // nullptr: none
        const char* section;
        const char* key;
        int size;
        const char* fallback;
        const char* value;
    };
    const char* windows = "; comment\r\n[vancfg]\r\n  VanId =  2  \r\nTOGGLE_TIME=1700000000    \r\n";
    const Case cases[] = {
        {nullptr, "VANCFG", "VANID", 64, "dflt", "dflt"},
        {"[VANCFG]\nVANID=2\n", "OTHER", "VANID", 64, "dflt", "dflt"},
        {"[VANCFG]\nVANID=2\n", "VANCFG", "EOT_CNT", 64, "", ""},
        {windows, "VANCFG", "VANID", 64, "", "2"},
        {windows, "VANCFG", "TOGGLE_TIME", 64, "", "1700000000"},
        {"[COM_PORT]\nSignSetting=YESPLEASE\n", "COM_PORT", "SignSetting", 4, "", "YES"},
        {"[COM_PORT]\nSignSetting=YESPLEASE\n", "COM_PORT", "SignSetting", 1, "", ""},
        {"[A]\nK=1\nK=2\n[B]\nK=3\n", "A", "K", 64, "", "1"},
        {"[A]\nK=1\nK=2\n[B]\nK=3\n", "B", "K", 64, "", "3"},
        {"[A]\nK=\"\"\n", "A", "K", 64, "dflt", ""},  // quotes around nothing
    };
    for (const Case& c : cases) {
        AppDir dir;
        if (c.file) dir.write_settings(c.file);
        char out[256];
        std::memset(out, 'x', sizeof out);
        int n = platform::profile_read(c.section, c.key, c.fallback, out, c.size, dir.settings_path().c_str());
        EXPECT_EQ(std::string(out), c.value) << c.section << "." << c.key;
        EXPECT_EQ(n, static_cast<int>(std::strlen(c.value))) << c.section << "." << c.key;
    }
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
    RowName{});

TEST(ProfileWriteFailure, UnwritableDirectoryReportsFailure) {
    EXPECT_FALSE(platform::profile_write("VANCFG", "VANID", "1", "/nonexistent-dir/ZposSign.ini"));
}

unsigned mode_of(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(LogFiles, NewFolderAndFileAreNotForOthers) {
    for (mode_t umask_value : {022, 002, 027}) {
        AppDir dir;
        mode_t before = umask(umask_value);
        WriteLogText("first line");
        ASSERT_TRUE(platform::profile_write("VANCFG", "VANID", "1", dir.settings_path().c_str()));
        umask(before);
        EXPECT_EQ(mode_of(dir.file("Logs")), 0750u & ~umask_value) << std::oct << umask_value;
        EXPECT_EQ(mode_of(dir.log_path()), 0640u & ~umask_value) << std::oct << umask_value;
        // The settings file is shared by every user of the till.
        EXPECT_EQ(mode_of(dir.settings_path()), 0666u & ~umask_value) << std::oct << umask_value;
    }
}

// A replaced settings file keeps its mode, owner and group; a link stays a
// link and its target takes the new text.
TEST(SettingsReplace, KeepsModeOwnerGroupAndLink) {
    AppDir dir;
    dir.write_settings("[VANCFG]\nVANID=1\n");
    ASSERT_EQ(chmod(dir.settings_path().c_str(), 0604), 0);
    bool owner_set = chown(dir.settings_path().c_str(), 1234, 5678) == 0;  // root only
    ASSERT_TRUE(platform::profile_write("VANCFG", "VANID", "2", dir.settings_path().c_str()));
    struct stat st {};
    ASSERT_EQ(stat(dir.settings_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    if (owner_set) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }

    std::filesystem::rename(dir.settings_path(), dir.file("real.ini"));
    std::filesystem::create_symlink("real.ini", dir.settings_path());
    ASSERT_TRUE(platform::profile_write("VANCFG", "EOT_CNT", "0", dir.settings_path().c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.settings_path()));
    EXPECT_EQ(read_file(dir.file("real.ini")), "[VANCFG]\nVANID=2\nEOT_CNT=0\n");
    EXPECT_EQ(mode_of(dir.file("real.ini")), 0604u);
}

// Beyond the reader's 64 KiB the file is read as far as its whole lines fit,
// as the Windows reader would, and still refused for writing.
TEST(SettingsRead, FileBeyondTheBufferIsReadAsFarAsItFits) {
    AppDir dir;
    std::string text = "[VANCFG]\nVANID=2\n";
    while (text.size() < 65536 - 20) text += "; padding comment line\n";
    text += "[LATE]\nKEY=cut off at the buffer's end\n";
    dir.write_settings(text);
    EXPECT_EQ(dir.setting("VANCFG", "VANID"), "2");
    EXPECT_EQ(dir.setting("LATE", "KEY"), "");
    EXPECT_FALSE(platform::profile_write("VANCFG", "VANID", "1", dir.settings_path().c_str()));
    EXPECT_EQ(dir.read_settings(), text);
}

}  // namespace
}  // namespace zpos::test
