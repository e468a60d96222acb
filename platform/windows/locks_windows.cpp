// Windows side of the locks: the process's call lock, a slim reader/writer
// lock taken exclusively with the id of the thread that holds it.
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

}  // namespace zpos::platform
