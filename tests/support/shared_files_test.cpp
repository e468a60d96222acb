// Several POS processes in one application directory share the settings file
// (writers take turns through its lock file) and the day's log file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "entry/call.h"
#include "support/log.h"
#include "support/route.h"
#include "support/settings.h"
#include "tests/common/app_dir.h"

namespace zpos::test {
namespace {

constexpr int kProcesses = 3;

// Runs `work(i)` in kProcesses child processes at once and waits for them;
// `meanwhile` runs in this process until they have all finished.
template <typename Work, typename Meanwhile>
void run_processes(Work work, Meanwhile meanwhile) {
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            work(i);
            _exit(0);
        }
        children.push_back(pid);
    }
    int running = kProcesses;
    while (running > 0) {
        meanwhile();
        int status = 0;
        pid_t done = waitpid(-1, &status, WNOHANG);
        if (done <= 0) continue;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << done;
        --running;
    }
}

const char kOtherKeys[] =
    "; terminal 7\n"
    "[COM_PORT]\n"
    "SignSetting=YES\n"
    "GetComPort=7\n"
    "[SIGNPAD]\n"
    "VALUE=HCS\n"
    "CURDATE=261207\n";

// What is left in the folder besides the settings file: the lock file, never
// a temporary file.
void expect_no_temporary_file(const AppDir& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        std::string name = entry.path().filename();
        EXPECT_TRUE(name == "ZposSign.ini" || name == "ZposSign.ini.lock" || name == "Logs") << name;
    }
}

TEST(SharedSettingsFile, ProcessesCountingAtOnceLoseNoCountAndNeverBreakTheFile) {
    AppDir dir;
    dir.write_settings(std::string(kOtherKeys) + "[VANCFG]\nVANID=1\nEOT_CNT=0\n");
    // The 3-byte read keeps two digits, so the count stays below 100.
    constexpr int kFailures = 30;
    int reads = 0, broken = 0;
    run_processes([](int) {
        for (int i = 0; i < kFailures; ++i) failure_count_step(g_module);
    },
                  [&] {
                      // Every read in between sees a whole file.
                      ++reads;
                      if (dir.setting("COM_PORT", "GetComPort") != "7" || dir.setting("SIGNPAD", "CURDATE") != "261207")
                          ++broken;
                  });
    EXPECT_EQ(broken, 0) << "of " << reads << " reads";

    std::string text = dir.read_settings();
    ASSERT_EQ(text.rfind(kOtherKeys, 0), 0u) << text;
    std::string route = text.substr(sizeof kOtherKeys - 1);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(route, m,
                                 std::regex("\\[VANCFG\\]\nVANID=2\nEOT_CNT=([0-9]+)\nTOGGLE_TIME=[0-9]{10}    \n")))
        << text;
    EXPECT_EQ(std::atoi(m[1].str().c_str()), kProcesses * kFailures);
    expect_no_temporary_file(dir);
}

// Processes killed at any moment of counting failures and switching routes:
// after every kill the file parses and each key holds an old or a new value;
// a survivor's next write leaves no temporary file of the dead behind.
TEST(SharedSettingsFile, KilledWritersNeverBreakTheFile) {
    AppDir dir;
    FixedClock clock(1700000000);  // the children write this switch time
    const std::string start = std::string(kOtherKeys) + "[VANCFG]\nVANID=1\nEOT_CNT=0\nTOGGLE_TIME=1600000000    \n";
    dir.write_settings(start);
    const std::regex route("\\[VANCFG\\]\nVANID=[12]\nEOT_CNT=[0-9]{1,2}\nTOGGLE_TIME=1[67]00000000    \n");
    auto parses = [&](const std::string& text) {
        return text.rfind(kOtherKeys, 0) == 0 && std::regex_match(text.substr(sizeof kOtherKeys - 1), route);
    };
    constexpr int kKills = 300;
    pid_t survivor = fork();
    ASSERT_GE(survivor, 0);
    auto write_forever = [] {
        for (;;) {
            failure_count_step(g_module);
            switch_to_backup(g_module.call);
            reset_to_primary(g_module);
        }
    };
    if (survivor == 0) write_forever();
    int broken = 0;
    for (int kill_no = 0; kill_no < kKills; ++kill_no) {
        pid_t victim = fork();
        ASSERT_GE(victim, 0);
        if (victim == 0) write_forever();
        usleep(static_cast<useconds_t>(kill_no % 7) * 300);  // somewhere in a write
        kill(victim, SIGKILL);
        waitpid(victim, nullptr, 0);
        if (!parses(dir.read_settings())) ++broken;
    }
    kill(survivor, SIGKILL);
    waitpid(survivor, nullptr, 0);
    EXPECT_EQ(broken, 0) << "of " << kKills << " kills; now:\n" << dir.read_settings();

    failure_count_step(g_module);  // the surviving POS writes again
    EXPECT_TRUE(parses(dir.read_settings())) << dir.read_settings();
    expect_no_temporary_file(dir);
}

TEST(SharedLogFile, LinesOfSeveralProcessesNeverMixAndNoneIsLost) {
    AppDir dir;
    constexpr int kLines = 1000;
    run_processes([](int process) {
        // Long lines (a 450-byte record renders to up to 1800 characters) and
        // short ones, through both writers; the odd processes' lines share one
        // descriptor as an exported call's do.
        std::optional<LogDescriptorHeld> call;
        if (process % 2) call.emplace();
        std::string record(450, static_cast<char>('A' + process));
        record[0] = '\x02';
        for (int i = 0; i < kLines; ++i) {
            if (i % 2) {
                WriteLog(record.data(), static_cast<std::int32_t>(record.size()));
            } else {
                WriteLogText(("process " + std::to_string(process) + " line " + std::to_string(i)).c_str());
            }
        }
    },
                  [] {});

    std::map<std::string, int> seen;
    for (const std::string& line : dir.log_lines()) ++seen[line];
    int total = 0;
    for (int p = 0; p < kProcesses; ++p) {
        std::string record = "[02]" + std::string(449, static_cast<char>('A' + p));
        EXPECT_EQ(seen[record], kLines / 2) << "process " << p;
        total += seen[record];
        for (int i = 0; i < kLines; i += 2) {
            EXPECT_EQ(seen["process " + std::to_string(p) + " line " + std::to_string(i)], 1) << p << " " << i;
            ++total;
        }
    }
    // A line started inside another would leave one line too many or one text
    // unmatched.
    EXPECT_EQ(dir.log_lines().size(), static_cast<std::size_t>(total));
}

}  // namespace
}  // namespace zpos::test
