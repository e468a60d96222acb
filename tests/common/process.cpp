// Processes through posix_spawnp, their output in numbered files of the
// caller's directory.
#include "tests/common/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <thread>

#include "tests/common/app_dir.h"

extern char** environ;

namespace zpos::test {

namespace {
std::atomic<int> g_runs{0};

std::string name_of(const std::string& entry) { return entry.substr(0, entry.find('=') + 1); }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

Process::Process(const std::vector<std::string>& args, const std::string& dir, const std::vector<std::string>& env) {
    int run = ++g_runs;
    out_path_ = dir + "/process" + std::to_string(run) + ".out";
    err_path_ = dir + "/process" + std::to_string(run) + ".err";
    std::vector<std::string> all = args;
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> vars = env;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const std::string& v : env) replaced = replaced || name_of(v) == name_of(*e);
        if (!replaced) vars.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& v : vars) envp.push_back(v.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawnp(&pid_, all[0].c_str(), &files, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&files);
}

Process::~Process() {
    if (pid_ > 0) finish(1000);
}

std::string Process::out() const { return read_file(out_path_); }

std::string Process::err() const { return read_file(err_path_); }

bool Process::wait_for_output(const std::string& text, int timeout_ms) const {
    for (int waited = 0; waited <= timeout_ms; waited += 20) {
        if (out().find(text) != std::string::npos) return true;
        sleep_ms(20);
    }
    return false;
}

void Process::signal(int sig) const {
    if (pid_ > 0) kill(pid_, sig);
}

Outcome Process::finish(int timeout_ms) {
    Outcome r;
    if (pid_ <= 0) {
        r.err = "not started";
        return r;
    }
    int status = 0;
    pid_t done = 0;
    for (int waited = 0; (done = waitpid(pid_, &status, WNOHANG)) == 0 && waited < timeout_ms; waited += 10)
        sleep_ms(10);
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = out();
    r.err = err();
    return r;
}

Outcome run_process(const std::vector<std::string>& argv, const std::string& dir,
                    const std::vector<std::string>& env) {
    return Process(argv, dir, env).finish();
}

}  // namespace zpos::test
