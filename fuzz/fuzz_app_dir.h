// A temporary application directory for a fuzz target, made once per process:
// the library's settings file and Logs folder land there instead of beside
// the fuzz binary, and it is removed when the process ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "entry/call.h"
#include "platform/platform.h"
#include "tests/common/seam_setters.h"

namespace zpos::fuzz {

class FuzzAppDir {
public:
    FuzzAppDir() {
        // In memory where the system has it: the settings writes sync to disk.
        char shm[] = "/dev/shm/zpos-fuzz-XXXXXX";
        char tmp[] = "/tmp/zpos-fuzz-XXXXXX";
        const char* made = mkdtemp(shm);
        if (!made) made = mkdtemp(tmp);
        dir_ = made ? made : "/tmp";
        executable_ = std::make_unique<test::ExecutableAt>(dir_ + "/pos.exe");
        prepare_call();
    }
    ~FuzzAppDir() {
        executable_.reset();
        std::error_code ignored;
        if (dir_ != "/tmp") std::filesystem::remove_all(dir_, ignored);
    }
    FuzzAppDir(const FuzzAppDir&) = delete;
    FuzzAppDir& operator=(const FuzzAppDir&) = delete;

    const std::string& path() const { return dir_; }
    std::string file(const char* name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
    std::unique_ptr<test::ExecutableAt> executable_;
};

// The process's one directory, made on first use.
inline FuzzAppDir& app_dir() {
    static FuzzAppDir dir;
    return dir;
}

}  // namespace zpos::fuzz
