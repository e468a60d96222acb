// The files that hold card data and route state on POSIX: who may read a new
// log or a new settings file, what a replaced settings file keeps, and a settings file larger than
// the reader's buffer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/log.h"
#include "tests/common/app_dir.h"

namespace zpos::test {
namespace {

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
