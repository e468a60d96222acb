// Windows side of the locks: the process's call lock, a slim reader/writer
// lock taken exclusively with the id of the thread that holds it; lock files
// through LockFileEx on one byte, which Windows drops with the handle.
#include <windows.h>

#include <atomic>

#include "platform/system.h"

namespace zpos::platform {

namespace {

SRWLOCK g_call_lock = SRWLOCK_INIT;
// The thread that holds the lock, 0 for none (no thread has id 0): set by
// that thread alone, after taking it, and cleared before it lets go.
std::atomic<DWORD> g_call_holder{0};

}  // namespace

bool call_lock_enter() {
    if (g_call_holder.load() == GetCurrentThreadId()) return false;
    AcquireSRWLockExclusive(&g_call_lock);
    g_call_holder.store(GetCurrentThreadId());
    return true;
}

void call_lock_leave() {
    g_call_holder.store(0);
    ReleaseSRWLockExclusive(&g_call_lock);
}

// Every kind of sharing, so that the lock file never stands in the way of
// anyone who opens, copies or deletes it.
FileLock system::lock_file_open(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoLock : reinterpret_cast<FileLock>(file);
}

bool system::lock_file_try(FileLock lock) {
    OVERLAPPED at{};
    return LockFileEx(reinterpret_cast<HANDLE>(lock), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &at) != 0;
}

void system::lock_file_close(FileLock lock) {
    OVERLAPPED at{};
    UnlockFileEx(reinterpret_cast<HANDLE>(lock), 0, 1, 0, &at);
    CloseHandle(reinterpret_cast<HANDLE>(lock));
}

}  // namespace zpos::platform
