// The part of the platform layer that is the same on every system: a test's
// stand-in from the seam table goes first, the system's own call otherwise,
// the application directory the environment names, its trailing separators
// cut, the folders made above a folder, and the wait for a lock file.
#include "platform/platform.h"

#include <cstring>

#include "platform/seams.h"
#include "platform/system.h"

namespace zpos::platform {

void executable_path(char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    seam_or(seams().executable_path, system::executable_path)(out, size);
}

bool app_dir_from_environment(char* out, std::size_t size) {
    if (size == 0 || !system::environment_value("ZPOS_APP_DIR", out, size)) return false;
    for (std::size_t n = std::strlen(out); n > 0 && (out[n - 1] == '/' || out[n - 1] == kPathSep); --n)
        out[n - 1] = '\0';
    return true;
}

bool make_directories(const char* path) {
    char folder[512];
    std::size_t n = std::strlen(path);
    if (n == 0 || n >= sizeof folder) return false;
    std::memcpy(folder, path, n + 1);
    for (std::size_t i = 1; i < n; ++i) {
        if (folder[i] != '/' && folder[i] != kPathSep) continue;
        folder[i] = '\0';
        if (!path_exists(folder)) make_directory(folder);
        folder[i] = path[i];
    }
    return path_exists(folder) || make_directory(folder);
}

void show_notice(const char* text, const char* text_utf8) {
    if (seams().notice) {
        seams().notice(text);
        return;
    }
    system::show_notice(text, text_utf8);
}

// A lock file is held only for a few file operations, so a short pause
// between tries keeps the wait brief without a system call that blocks
// beyond the time-out.
FileLock lock_file(const char* path, int timeout_ms) {
    FileLock lock = system::lock_file_open(path);
    if (lock == kNoLock) return kNoLock;
    const long long end = monotonic_ms() + timeout_ms;
    while (!system::lock_file_try(lock)) {
        if (monotonic_ms() >= end) {
            system::lock_file_close(lock);
            return kNoLock;
        }
        system::sleep_ms(1);
    }
    return lock;
}

void lock_release(FileLock lock) {
    if (lock != kNoLock) system::lock_file_close(lock);
}

Time now() { return seam_or(seams().clock, system::time_now)(); }

void sleep_ms(int milliseconds) { seam_or(seams().pause, system::sleep_ms)(milliseconds); }

}  // namespace zpos::platform
