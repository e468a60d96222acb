// POSIX side of the platform layer: executable path from /proc/self/exe,
// files and directories, the notice on standard error, local time, pauses,
// shared libraries through dlopen. The socket layer needs no start-up here.
#include <dlfcn.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/posix/small_file.h"
#include "platform/system.h"

namespace zpos::platform {

void system::executable_path(char* out, std::size_t size) {
    ssize_t n = readlink("/proc/self/exe", out, size - 1);
    out[n > 0 ? n : 0] = '\0';
}

bool system::environment_value(const char* name, char* out, std::size_t size) {
    const char* value = std::getenv(name);
    if (!value || !*value) return false;
    std::snprintf(out, size, "%s", value);
    return true;
}

bool path_exists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

// The log holds what the POS sends: a new folder and file are the owner's and the
// group's to read, nobody else's.
bool make_directory(const char* path) { return mkdir(path, 0750) == 0; }

AppendFile append_open(const char* path) {
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    return fd < 0 ? kNoFile : fd;
}

// One write per line: O_APPEND makes each write land whole at the end.
long append_write(AppendFile file, const char* bytes, std::size_t len) {
    return static_cast<long>(write_all(static_cast<int>(file), bytes, len));
}

void append_close(AppendFile file) {
    if (file != kNoFile) close(static_cast<int>(file));
}

namespace {

// The locale a program would take from its environment (LC_ALL, LC_CTYPE,
// LANG, the first one set) names a UTF-8 character set.
bool locale_is_utf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        for (const char* p = value; *p; ++p)
            if (strncasecmp(p, "utf-8", 5) == 0 || strncasecmp(p, "utf8", 4) == 0) return true;
        return false;
    }
    return false;
}

}  // namespace

void system::show_notice(const char* text, const char* text_utf8) {
    std::fprintf(stderr, "%s\n", locale_is_utf8() && text_utf8 ? text_utf8 : text);
}

static_assert(sizeof(time_t) >= 8, "the system's time_t holds times past January 2038");

Time system::time_now() { return static_cast<Time>(::time(nullptr)); }

void local_time(Time t, std::tm& out) {
    time_t system = static_cast<time_t>(t);
    localtime_r(&system, &out);
}

long long monotonic_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void system::sleep_ms(int milliseconds) {
    struct timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

Library library_open(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* library_symbol(Library lib, const char* name) { return lib ? dlsym(lib, name) : nullptr; }
void library_close(Library lib) {
    if (lib) dlclose(lib);
}

bool socket_layer_start() { return true; }
void socket_layer_stop() {}

}  // namespace zpos::platform
