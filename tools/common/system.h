// What the tools' helpers need of the system, one file a system
// (system_posix.cpp, system_windows.cpp, chosen by CMake): the lock file of
// the settings file, the replacement of a file, the local date.
#pragma once

#include <ctime>
#include <string>

namespace zpos::tools::os {

using Lock = long long;
inline constexpr Lock kNoLock = -1;
// The lock file, created when missing; kNoLock when it cannot be opened.
Lock lock_open(const std::string& path);
// Takes the lock unless another process holds it.
bool lock_try(Lock lock);
void lock_close(Lock lock);
void sleep_ms(int ms);
// Replaces the file whole through a file beside it, keeping its mode.
bool replace_file(const std::string& path, const std::string& bytes);
// The local time of `t`.
std::tm local_time(std::time_t t);

}  // namespace zpos::tools::os
