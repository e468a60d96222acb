// The tools' helpers on Windows: LockFileEx on the settings lock file, and a
// replacement through a file beside it moved over the old one.
#include <windows.h>

#include <ctime>
#include <string>

#include "tools/common/system.h"

namespace zpos::tools::os {

Lock lock_open(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoLock : reinterpret_cast<Lock>(file);
}

bool lock_try(Lock lock) {
    OVERLAPPED at{};
    return LockFileEx(reinterpret_cast<HANDLE>(lock), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &at) != 0;
}

void lock_close(Lock lock) {
    OVERLAPPED at{};
    UnlockFileEx(reinterpret_cast<HANDLE>(lock), 0, 1, 0, &at);
    CloseHandle(reinterpret_cast<HANDLE>(lock));
}

void sleep_ms(int ms) { Sleep(static_cast<DWORD>(ms)); }

bool replace_file(const std::string& path, const std::string& bytes) {
    std::string temp = path + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}

std::tm local_time(std::time_t t) {
    std::tm tm{};
    localtime_s(&tm, &t);
    return tm;
}

}  // namespace zpos::tools::os
