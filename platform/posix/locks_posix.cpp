// POSIX side of the locks: the process's call lock, a pthread mutex with the
// thread that holds it, made free again in a child process; lock files
// through flock, which the kernel drops with the descriptor, so a process
// that dies holding one never blocks the others.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>

#include "platform/system.h"

namespace zpos::platform {

namespace {

pthread_mutex_t g_call_mutex = PTHREAD_MUTEX_INITIALIZER;
// Which thread holds the mutex: set by that thread alone, after taking it, and
// cleared before it lets go, so a thread that reads its own id here holds it.
std::atomic<bool> g_call_held{false};
std::atomic<pthread_t> g_call_holder{};

bool held_by_this_thread() { return g_call_held.load() && pthread_equal(g_call_holder.load(), pthread_self()); }

// After fork the child's one thread may find the mutex held by a thread that
// does not exist there; it starts afresh, unless that thread is itself.
void free_in_child() {
    if (held_by_this_thread()) return;
    pthread_mutex_init(&g_call_mutex, nullptr);
    g_call_held.store(false);
}

[[maybe_unused]] const int g_fork_handler = pthread_atfork(nullptr, nullptr, free_in_child);

}  // namespace

bool call_lock_enter() {
    if (held_by_this_thread()) return false;
    pthread_mutex_lock(&g_call_mutex);
    g_call_holder.store(pthread_self());
    g_call_held.store(true);
    return true;
}

void call_lock_leave() {
    g_call_held.store(false);
    pthread_mutex_unlock(&g_call_mutex);
}

// Read-only is enough for flock, so a lock file another user made is still
// usable; created like the settings file beside it.
FileLock system::lock_file_open(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    return fd < 0 ? kNoLock : fd;
}

bool system::lock_file_try(FileLock lock) { return ::flock(static_cast<int>(lock), LOCK_EX | LOCK_NB) == 0; }

void system::lock_file_close(FileLock lock) { ::close(static_cast<int>(lock)); }

}  // namespace zpos::platform
