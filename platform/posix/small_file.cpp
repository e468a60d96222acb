// Whole-file reads and atomic replacement for the settings and registry files,
// and the clean-up of what a writer killed halfway leaves behind.
#include "platform/posix/small_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

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
        total += static_cast<std::size_t>(n);
        // A regular file gives less than asked only at its end: no read more
        // to learn that.
        if (n == 0 || total < capacity) {
            result = static_cast<long>(total);
            break;
        }
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

namespace {

// The file a path names: a symbolic link is followed (to its target, whether
// or not that exists yet), so the link itself stays a link.
bool resolve_link(const char* path, char (&out)[PATH_MAX]) {
    struct stat st;
    if (lstat(path, &st) != 0 || !S_ISLNK(st.st_mode)) {
        int n = std::snprintf(out, sizeof out, "%s", path);
        return n >= 0 && static_cast<std::size_t>(n) < sizeof out;
    }
    if (realpath(path, out)) return true;
    // A link to a file not made yet: its target, taken from the link's folder
    // when relative.
    char target[PATH_MAX];
    ssize_t t = readlink(path, target, sizeof target - 1);
    if (t <= 0) return false;
    target[t] = '\0';
    const char* slash = std::strrchr(path, '/');
    int n = target[0] == '/' || !slash
                ? std::snprintf(out, sizeof out, "%s", target)
                : std::snprintf(out, sizeof out, "%.*s/%s", static_cast<int>(slash - path), path, target);
    return n >= 0 && static_cast<std::size_t>(n) < sizeof out;
}

// The folder holding `path`, opened for the sweep below and the sync after
// the rename; -1 when it cannot be opened.
int open_folder_of(const char* path) {
    char folder[PATH_MAX];
    const char* slash = std::strrchr(path, '/');
    if (!slash)
        std::snprintf(folder, sizeof folder, ".");
    else
        std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(slash == path ? 1 : slash - path), path);
    return open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A writer killed between its temporary file and the rename leaves
// "<name>.<pid>.tmp" behind; the next writer removes those whose process is
// gone. The folder is listed into a stack buffer: no allocation.
void remove_stale_temps(int folder, const char* file) {
    const char* slash = std::strrchr(file, '/');
    std::string_view name = slash ? slash + 1 : file;
    alignas(8) char entries[4096];
    for (;;) {
        ssize_t got = getdents64(folder, entries, sizeof entries);
        if (got <= 0) return;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            std::string_view other = entry->d_name;
            if (other.size() <= name.size() + 5 || !other.starts_with(name) || other[name.size()] != '.' ||
                !other.ends_with(".tmp"))
                continue;
            std::string_view digits = other.substr(name.size() + 1, other.size() - name.size() - 5);
            long pid = 0;
            for (char c : digits) {
                if (c < '0' || c > '9' || pid > 100000000) {
                    pid = 0;
                    break;
                }
                pid = pid * 10 + (c - '0');
            }
            if (pid <= 0 || pid == getpid()) continue;
            if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) unlinkat(folder, entry->d_name, 0);
        }
    }
}

}  // namespace

bool replace_small_file(const char* path, const char* bytes, std::size_t len, unsigned mode) {
    char file[PATH_MAX];
    if (!resolve_link(path, file)) return false;
    char temp[PATH_MAX + 32];
    int n = std::snprintf(temp, sizeof temp, "%s.%ld.tmp", file, static_cast<long>(getpid()));
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof temp) return false;
    int folder = open_folder_of(file);
    if (folder >= 0) remove_stale_temps(folder, file);
    struct stat old;
    bool replacing = stat(file, &old) == 0;
    int fd = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, replacing ? 0600 : mode);
    if (fd < 0) {
        if (folder >= 0) close(folder);
        return false;
    }
    // The new file takes the old one's mode, owner and group where this
    // process may set them: a file kept private, or shared with the POS's
    // group, stays so.
    if (replacing) {
        [[maybe_unused]] int owner = fchown(fd, old.st_uid, old.st_gid);
        fchmod(fd, old.st_mode & 07777);
    }
    // Synced before the rename, so a power cut leaves the old file or the
    // whole new one, never an empty one; the folder after it, so the rename
    // itself is not lost.
    bool ok = write_all(fd, bytes, len) == len && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp, file) == 0;
    if (!ok) unlink(temp);
    if (folder >= 0) {
        if (ok) fsync(folder);
        close(folder);
    }
    return ok;
}

}  // namespace zpos::platform
