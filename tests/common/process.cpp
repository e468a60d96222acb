// Processes through posix_spawnp, their output in numbered files of the
// caller's directory.
#include "tests/common/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "tests/common/app_dir.h"

extern char** environ;

namespace zpos::test {

Outcome run_process(const std::vector<std::string>& args, const std::string& dir, int timeout_ms) {
    static std::atomic<int> runs{0};
    const std::string name = dir + "/process" + std::to_string(++runs);
    const std::string out_path = name + ".out", err_path = name + ".err";
    std::vector<std::string> all = args;
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    bool started = posix_spawnp(&pid, all[0].c_str(), &files, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&files);
    Outcome r;
    if (!started) {
        r.err = "not started";
        return r;
    }

    int status = 0;
    pid_t done = 0;
    for (int waited = 0; (done = waitpid(pid, &status, WNOHANG)) == 0 && waited < timeout_ms; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
}

}  // namespace zpos::test
