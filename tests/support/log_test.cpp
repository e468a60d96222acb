// Log lines byte for byte: prefix, rendering, masking window, file per day.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include "entry/call.h"
#include "platform/platform.h"
#include "support/card_mask.h"
#include "support/log.h"
#include "tests/common/app_dir.h"

namespace zpos::test {
namespace {

std::time_t local_instant(int year, int mon, int day, int h, int m, int s) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = mon - 1;
    tm.tm_mday = day;
    tm.tm_hour = h;
    tm.tm_min = m;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// A count of zero or below writes only the prefix.
TEST(WriteLog, WholeLineWithPrefixAndHexForNonPrintables) {
    AppDir dir;
    FixedClock clock(local_instant(2024, 3, 15, 9, 8, 7));
    const char bytes[] = {'A', '\0', 0x02, 0x1c, 0x03, '\r', '~', static_cast<char>(0xB0), ' '};
    EXPECT_EQ(WriteLog(bytes, sizeof bytes), 0);
    WriteLog("ignored", 0);
    WriteLog("ignored", -3);
    EXPECT_EQ(read_file(dir.log_path("240315")),
              "[09:08:07] - A[00][02][1c][03][0d]~[b0] \n[09:08:07] - \n[09:08:07] - \n");
}

// Also while an exported call's lines share one descriptor: it is reopened
// on the new day's file, and closed with the call.
TEST(WriteLog, FirstLineAfterMidnightGoesToTheNewDaysFile) {
    for (bool held : {false, true}) {
        AppDir dir;
        int descriptors = open_descriptors();
        FixedClock clock(local_instant(2024, 3, 15, 23, 59, 59));
        {
            std::optional<LogDescriptorHeld> call;
            if (held) call.emplace();
            WriteLogText("before");
            clock.set(local_instant(2024, 3, 16, 0, 0, 0));
            WriteLogText("after");
            WriteLogText("again");
        }
        EXPECT_EQ(read_file(dir.log_path("240315")), "[23:59:59] - before\n") << held;
        EXPECT_EQ(read_file(dir.log_path("240316")), "[00:00:00] - after\n[00:00:00] - again\n") << held;
        EXPECT_EQ(open_descriptors(), descriptors) << held;
    }
}

TEST(WriteLog, LongLineIsWrittenWhole) {
    AppDir dir;
    std::array<char, 3000> bytes;
    bytes.fill(0x1c);
    WriteLog(bytes.data(), bytes.size());
    auto lines = dir.log_lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 3000u * 4);
}

TEST(WriteLog, UnopenableFileGivesMinusFive) {
    AppDir dir;
    std::ofstream(dir.file("Logs"));  // a file where the Logs directory should be
    EXPECT_EQ(WriteLogText("lost"), -5);
    EXPECT_EQ(WriteLog("lost", 4), -5);
}

// The masked rendering of a record of digits '0'..'9' repeated, with '=' at
// the given places.
std::string masked_line_of(const std::vector<int>& equals_at, int size) {
    AppDir dir;
    std::vector<char> record(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) record[static_cast<std::size_t>(i)] = static_cast<char>('0' + i % 10);
    for (int p : equals_at) record[static_cast<std::size_t>(p)] = '=';
    WriteLogMasked(record.data(), size);
    auto lines = dir.log_lines();
    return lines.empty() ? "" : lines[0];
}

// The four bytes either side of the last '=' and the '=' itself show as '*';
// an '=' at ten or below masks nothing.
TEST(WriteLogMasked, HidesFourBytesEitherSideOfTheLastEquals) {
    struct Case {
        std::vector<int> equals_at;
        int size;
        std::size_t from;
        const char* shown;
        long stars;  // in the whole line
    };
    const Case cases[] = {
        {{60}, 240, 50, "012345*********56789", 9},        {{30, 60}, 240, 28, "89=12", 9},
        {{30, 60}, 240, 56, "*********", 9},
        {{8}, 20, 0, "01234567=90123456789", 0},           {{10}, 20, 0, "0123456789=123456789", 0},
        {{11}, 20, 0, "0123456*********6789", 9},          {{}, 20, 0, "01234567890123456789", 0},
    };
    for (const Case& c : cases) {
        std::string line = masked_line_of(c.equals_at, c.size);
        ASSERT_EQ(line.size(), static_cast<std::size_t>(c.size));
        EXPECT_EQ(line.substr(c.from, std::strlen(c.shown)), c.shown) << c.shown;
        EXPECT_EQ(std::count(line.begin(), line.end(), '*'), c.stars) << c.shown;
    }
}

// A caller that claims more bytes than any record: rendering stops at the
// working copy's size instead of reading on.
TEST(WriteLogMasked, CountBeyondItsWorkingCopyIsBounded) {
    std::vector<char> big(5000, 'a');
    AppDir dir;
    WriteLogMasked(big.data(), 5000);
    auto lines = dir.log_lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 1000u);
}

// Strict masking: six first and four last digits of a card number, nothing
// of the rest of its track.
TEST(StrictMask, CardFieldsAndCardNumbersInText) {
    struct Case {
        bool field;  // a card field, else free text
        std::string in, out;
    };
    const Case cases[] = {
        {true, "  9410123456789012=2812101     ", "  941012******9012********     "},
        {true, "9400001234567890123=28121234567", "940000*********0123************"},
        {true, std::string("4092123412341234\0\0\0", 19), std::string("409212******1234\0\0\0", 19)},
        {true, "12345678    ", "12345678    "},  // too short to hide anything
        {false, "CARD 9410123456789012=2812 BLOCKED", "CARD 941012******9012***** BLOCKED"},
        {false, "AMT 000000000000000000000030000 TID 1200000001", "AMT 000000000000000000000030000 TID 1200000001"},
        {false, "4092123412341 x 94101234567890123456", "409212***2341 x 94101234567890123456"},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        c.field ? mask_card_field(s.data(), s.size()) : mask_card_numbers(s.data(), s.size());
        EXPECT_EQ(s, c.out) << c.in;
    }
}

// Trailing separators go so that none is doubled before Logs or ZposSign.ini.
TEST(GetAppDir, ExecutablesFolderOrTheEnvironmentsCutAt200) {
    const std::string deep = "/" + std::string(230, 'd');
    struct Case {
        std::string exe;
        const char* env;  // nullptr: unset
        std::string dir;
    } cases[] = {
        {"/opt/pos/bin/pos.exe", nullptr, "/opt/pos/bin"},
        {"pos.exe", nullptr, ""},
        {deep + "/pos.exe", nullptr, deep.substr(0, 200)},
        {"/opt/pos/bin/pos.exe", "", "/opt/pos/bin"},
        {"/opt/pos/bin/pos.exe", "/srv/pos", "/srv/pos"},
        {"/opt/pos/bin/pos.exe", "/srv/pos//", "/srv/pos"},
        {"/opt/pos/bin/pos.exe", "/", ""},
        {"/opt/pos/bin/pos.exe", deep.c_str(), deep.substr(0, 200)},
    };
    for (const Case& c : cases) {
        ExecutableAt exe(c.exe);
        if (c.env)
            setenv("ZPOS_APP_DIR", c.env, 1);
        else
            unsetenv("ZPOS_APP_DIR");
        char out[201];
        GetAppDir(out);
        EXPECT_EQ(std::string(out), c.dir) << c.exe << " " << (c.env ? c.env : "unset");
    }
    unsetenv("ZPOS_APP_DIR");
}

// A folder ZPOS_APP_DIR names that is not there yet is made, with the folders
// above it, the owner's and the group's like Logs; the call's log and
// settings then land in it.
TEST(GetAppDir, MissingFolderTheEnvironmentNamesIsMade) {
    AppDir dir;
    const std::string state = dir.path() + "/state", named = state + "/zposapp";
    mode_t old_mask = umask(022);
    setenv("ZPOS_APP_DIR", named.c_str(), 1);
    prepare_call();
    WriteLogText("made");
    unsetenv("ZPOS_APP_DIR");
    umask(old_mask);
    for (const std::string& folder : {state, named}) {
        struct stat st {};
        ASSERT_EQ(stat(folder.c_str(), &st), 0) << folder;
        EXPECT_EQ(st.st_mode & 07777, 0750u) << folder;
    }
    EXPECT_EQ(lines_of(read_file(named + "/Logs/AppLog." + yymmdd(platform::now()) + ".txt")).size(), 1u);
    prepare_call();  // back to the test's own folder
}

}  // namespace
}  // namespace zpos::test
