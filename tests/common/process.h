// Programs as separate processes, their output in files readable while they run.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zpos::test {

struct Outcome {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out, err;
};

class Process {
public:
    // Starts argv[0] with standard input from /dev/null, its output in files
    // under `dir`, and `env` added to (or replacing) this process's environment.
    Process(const std::vector<std::string>& argv, const std::string& dir, const std::vector<std::string>& env = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return pid_ > 0; }
    std::string out() const;
    std::string err() const;
    // True once the standard output holds `text`; false after `timeout_ms`.
    bool wait_for_output(const std::string& text, int timeout_ms) const;
    void signal(int sig) const;
    // Waits for the exit (killing it after `timeout_ms`) and collects it.
    Outcome finish(int timeout_ms = 120000);

private:
    pid_t pid_ = -1;
    std::string out_path_, err_path_;
};

// Runs to the end.
Outcome run_process(const std::vector<std::string>& argv, const std::string& dir,
                    const std::vector<std::string>& env = {});

}  // namespace zpos::test
