// The tools' helpers on POSIX. The settings lock is flock on the lock file
// (the kernel drops it with the descriptor, so a process that dies holding it
// blocks no one); a file is replaced through "<file>.<pid>.tmp", the name the
// library's own writes use and clean up after.
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "tools/common/system.h"

namespace zpos::tools::os {

Lock lock_open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    return fd < 0 ? kNoLock : fd;
}

bool lock_try(Lock lock) { return ::flock(static_cast<int>(lock), LOCK_EX | LOCK_NB) == 0; }

void lock_close(Lock lock) { ::close(static_cast<int>(lock)); }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool replace_file(const std::string& path, const std::string& bytes) {
    // A linked settings file is edited where it lies.
    char resolved[PATH_MAX];
    std::string file = ::realpath(path.c_str(), resolved) ? resolved : path;
    std::string temp = file + "." + std::to_string(static_cast<long>(getpid())) + ".tmp";
    struct stat old {};
    bool replacing = ::stat(file.c_str(), &old) == 0;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, replacing ? 0600 : 0666);
    if (fd < 0) return false;
    if (replacing) {
        [[maybe_unused]] int owner = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, old.st_mode & 07777);
    }
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

std::tm local_time(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace zpos::tools::os
