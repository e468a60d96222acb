// The per-user registry under HKEY_CURRENT_USER, where the installation's
// security program leaves its records. On Windows this is the real registry;
// elsewhere it is a small per-user key-value file with the same keys and values.
#pragma once

namespace zpos::platform {

// An open key; nullptr is "no key".
using RegistryKey = void*;

enum class RegistryAccess { read, write };

// Value types, with the registry's own numbers.
inline constexpr int kRegString = 1;  // REG_SZ
inline constexpr int kRegBinary = 3;  // REG_BINARY

// Results of query and set: 0 done, otherwise one of these.
inline constexpr int kRegNotFound = 2;     // no such key or value (ERROR_FILE_NOT_FOUND)
inline constexpr int kRegAccessDenied = 5; // the store cannot be written (ERROR_ACCESS_DENIED)
inline constexpr int kRegMoreData = 234;   // the value is larger than the buffer (ERROR_MORE_DATA)
inline constexpr int kRegFailed = 1;       // anything else (bad name, store full, ...)

// Opens an existing key, e.g. "SOFTWARE\\VAN_POS_SECURITY\\1100" (backslash
// separated, compared without regard to case). nullptr when it does not exist
// or the access cannot be granted.
RegistryKey registry_open(const char* path, RegistryAccess access);
// Opens a key for writing, creating it (and nothing else) when missing. Used by
// the tools that fill the store the way the installation's program does.
RegistryKey registry_create(const char* path);
// Copies the value's bytes into `out` (at most `size`) and stores their count
// in `*count`. A string value's count includes its terminating zero when it was
// stored with one. On any failure `*count` is 0 and nothing is copied. The
// file store answers from the store as the key's opening read it; a key
// written through, or used after another key was opened, reads it again.
int registry_query(RegistryKey key, const char* name, void* out, int size, int* count);
// Sets the value to exactly `count` bytes of `type`.
int registry_set(RegistryKey key, const char* name, int type, const void* bytes, int count);
void registry_close(RegistryKey key);

// While held (one exported call), opening a key answers from the store the
// last opening read, unless the store was written since: the values one call
// reads come from one read. Released, every
// opening reads the store again. The Windows registry is read live always.
void registry_hold_reads(bool hold);

}  // namespace zpos::platform
