// The small layer over what differs between Windows and POSIX: settings
// (private-profile INI) files, the executable's path, the modal notice, the
// clock, files and directories, loading libraries, and a pause. The registry
// store lives in platform/registry.h and the link socket in platform/socket.h.
// Nothing outside platform/ tests for the operating system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>

namespace zpos::platform {

// kLineEnd: how a text file ends its lines (what a text-mode stream writes
// for each "\n").
#ifdef _WIN32
inline constexpr char kPathSep = '\\';
inline constexpr char kLibSuffix[] = ".dll";
inline constexpr char kLineEnd[] = "\r\n";
#else
inline constexpr char kPathSep = '/';
inline constexpr char kLibSuffix[] = ".so";
inline constexpr char kLineEnd[] = "\n";
#endif

// ---- Settings files, with the Win32 private-profile semantics ----
// Reads `key` of `section` into `out` (size bytes, at most size-1 characters
// kept, always NUL-terminated when size > 0). A missing file, section or key
// gives `fallback`. Sections and keys compare without regard to case; the value
// is trimmed of surrounding blanks. Returns the number of characters stored.
int profile_read(const char* section, const char* key, const char* fallback, char* out,
                 int size, const char* path);
// Sets `key` of `section` to `value`, creating the file, section and key as
// needed and keeping every other line as it was. Returns false when the file
// could not be written (it is then left as it was).
bool profile_write(const char* section, const char* key, const char* value, const char* path);

// Several keys of one file at once: each read as profile_read reads it ("" for
// a missing one), from one version of the file.
struct ProfileKey {
    const char* section;
    const char* key;
    char* out;
    int size;
};
void profile_read_keys(std::span<const ProfileKey> keys, const char* path);
// Sets each key in turn as profile_write does, the file rewritten once for all
// of them (and not at all when every line already reads so).
struct ProfileEntry {
    const char* section;
    const char* key;
    const char* value;
};
bool profile_write_keys(std::span<const ProfileEntry> entries, const char* path);

// ---- Executable and files ----
// Full path of the running executable, at most size-1 characters; "" on failure.
void executable_path(char* out, std::size_t size);
// The application directory named by the environment variable ZPOS_APP_DIR,
// for hosts whose executable's folder is no place for the POS's files (an
// interpreter in /usr/bin): at most size-1 characters, trailing separators
// removed ("/" gives ""). False, and `out` untouched, when it is unset or empty.
bool app_dir_from_environment(char* out, std::size_t size);
bool path_exists(const char* path);
bool make_directory(const char* path);
// Makes the folder `path` and every missing folder above it, as
// make_directory makes one. True when the folder is there afterwards.
bool make_directories(const char* path);

// ---- The log's file ----
// Opened for appending, created if missing; kNoFile when it cannot be opened.
using AppendFile = std::intptr_t;
inline constexpr AppendFile kNoFile = -1;
AppendFile append_open(const char* path);
// Appends `len` bytes in one write, so lines from several processes never
// interleave. Returns the bytes written.
long append_write(AppendFile file, const char* bytes, std::size_t len);
void append_close(AppendFile file);

// ---- Lock files ----
// An exclusive lock on the file `path`, which is created if missing and whose
// bytes are never read nor written, held until lock_release. Processes that
// lock the same file take turns; one that finds it held waits at most
// `timeout_ms`. kNoLock when the file cannot be opened or the wait ran out.
using FileLock = std::intptr_t;
inline constexpr FileLock kNoLock = -1;
FileLock lock_file(const char* path, int timeout_ms);
void lock_release(FileLock lock);

// ---- The call lock ----
// One lock for the whole process, however often the module is loaded, so
// that no two calls into the library ever run at once: a second caller waits
// for the first to return. Taken uncontended, it costs no system call.
// False, and nothing taken, when the calling thread holds it already (a
// message loop inside a notice that calls the library again): that thread
// would wait for itself. A child process made by fork finds it free, unless
// the thread that forked held it (that thread's call then returns it).
[[nodiscard]] bool call_lock_enter();
void call_lock_leave();

// ---- Modal notice ----
// Shows `text` (CP949) and waits for the user: on Windows a message box owned
// by the POS's active window, task-modal, in the foreground and topmost. On
// POSIX it goes to standard error in the terminal's encoding: `text_utf8`, the
// same text in UTF-8, when the locale is a UTF-8 one. A test can capture
// notices (their CP949 text) instead (platform/seams.h).
void show_notice(const char* text, const char* text_utf8);

// ---- Clock ----
// Seconds since 1970-01-01 00:00 UTC in 64 bits on every build (the 32-bit
// Windows runtime's own time_t is 32 bits), so nothing ends in January 2038.
using Time = long long;
Time now();
void local_time(Time t, std::tm& out);
// Milliseconds of a clock that only goes forward, for deadlines (not moved by
// a test's clock nor by changes of the system time).
long long monotonic_ms();
void sleep_ms(int milliseconds);

// ---- External libraries, loaded by full path for one use ----
using Library = void*;
Library library_open(const char* path);      // nullptr when it cannot be loaded
void* library_symbol(Library lib, const char* name);
void library_close(Library lib);

// ---- Socket layer start-up (no-op on POSIX) ----
bool socket_layer_start();
void socket_layer_stop();

}  // namespace zpos::platform

// Calling convention of the external libraries' functions.
#ifdef _WIN32
#define ZPOS_EXTERNAL_CALL __stdcall
#else
#define ZPOS_EXTERNAL_CALL
#endif
