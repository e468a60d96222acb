// Whole-file reads and atomic replacement for the settings and registry files.
#include "platform/posix/small_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace zpos::platform {

long read_small_file(const char* path, char* out, std::size_t capacity) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kFileMissing;
    std::size_t total = 0;
    long result = kFileMissing;
    for (;;) {
        if (total == capacity) {
            // Full buffer: only a file that ends here is whole.
            char probe;
            ssize_t more;
            do more = read(fd, &probe, 1);
            while (more < 0 && errno == EINTR);
            result = more == 0 ? static_cast<long>(total) : more > 0 ? kFileTooLarge : kFileMissing;
            break;
        }
        ssize_t n = read(fd, out + total, capacity - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (n == 0) {
            result = static_cast<long>(total);
            break;
        }
        total += static_cast<std::size_t>(n);
    }
    close(fd);
    return result;
}

std::size_t write_all(int fd, const char* bytes, std::size_t len) {
    std::size_t done = 0;
    while (done < len) {
        ssize_t w = write(fd, bytes + done, len - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += static_cast<std::size_t>(w);
    }
    return done;
}

bool replace_small_file(const char* path, const char* bytes, std::size_t len, unsigned mode) {
    char temp[640];
    int n = std::snprintf(temp, sizeof temp, "%s.%ld.tmp", path, static_cast<long>(getpid()));
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof temp) return false;
    int fd = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    // Synced before the rename, so a power cut leaves the old file or the
    // whole new one, never an empty one.
    bool ok = write_all(fd, bytes, len) == len && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp, path) != 0) {
        unlink(temp);
        return false;
    }
    return true;
}

}  // namespace zpos::platform
