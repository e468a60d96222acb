// The settings file and the registry store are small files that several
// processes read and rewrite. Both are read whole into a fixed buffer and
// replaced whole through a temporary file renamed over the old one, so a
// reader in another process sees the old file or the new, never half of one.
// The log's appends share the plain write of every byte.
#pragma once

#include <cstddef>

namespace zpos::platform {

inline constexpr long kFileMissing = -1;   // absent or unreadable
inline constexpr long kFileTooLarge = -2;  // more than the buffer holds

// Reads the whole file into `out`; its length, or one of the two codes above.
long read_small_file(const char* path, char* out, std::size_t capacity);

// Writes all `len` bytes to `fd`, going on after interruptions; the count
// written, less than `len` only when the system refused the rest.
std::size_t write_all(int fd, const char* bytes, std::size_t len);

// Writes `bytes` to "<file>.<pid>.tmp", syncs it to disk, renames it over the
// file and syncs the folder. The file is `path`, or the target of `path` when
// that is a symbolic link (which stays one). A replaced file keeps its mode,
// owner and group where the process may set them; a new one takes `mode`
// less the umask. False (and the old file untouched) when any step fails.
bool replace_small_file(const char* path, const char* bytes, std::size_t len, unsigned mode);

}  // namespace zpos::platform
