// The calls each system makes its own way, behind the common part of the
// platform layer (platform/platform.cpp), which puts a test's stand-in from
// the seam table in front of them. Only platform/ includes this.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace zpos::platform::system {

// The running executable's full path, at most size-1 characters; "" on failure.
void executable_path(char* out, std::size_t size);
// The environment variable `name` into `out` (at most size-1 characters);
// false, and `out` untouched, when it is unset or empty.
bool environment_value(const char* name, char* out, std::size_t size);
// The modal notice itself.
void show_notice(const char* text, const char* text_utf8);
// A lock file opened (created if missing) for locking, or kNoLock; one try to
// take its exclusive lock without waiting; its release, closing it.
FileLock lock_file_open(const char* path);
bool lock_file_try(FileLock lock);
void lock_file_close(FileLock lock);
// The system's own clock.
Time time_now();
void sleep_ms(int milliseconds);

}  // namespace zpos::platform::system
