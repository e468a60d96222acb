// A program run as a separate process to its end, its output collected.
#pragma once

#include <string>
#include <vector>

namespace zpos::test {

struct Outcome {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out, err;
};

// Runs argv[0] with standard input from /dev/null and its output in files
// under `dir`; killed after `timeout_ms`.
Outcome run_process(const std::vector<std::string>& argv, const std::string& dir, int timeout_ms = 120000);

}  // namespace zpos::test
