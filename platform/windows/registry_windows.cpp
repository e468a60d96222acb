// The registry layer over the Windows registry of the current user
// (RegOpenKeyExA, RegQueryValueExA, RegSetValueExA, RegCloseKey). Key handles
// are the HKEYs themselves.
#include "platform/registry.h"

#include <windows.h>

namespace zpos::platform {

namespace {
HKEY as_hkey(RegistryKey key) { return static_cast<HKEY>(key); }
}  // namespace

RegistryKey registry_open(const char* path, RegistryAccess access) {
    HKEY key = nullptr;
    REGSAM sam = access == RegistryAccess::write ? KEY_SET_VALUE : KEY_READ;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, sam, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

RegistryKey registry_create(const char* path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_READ, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

int registry_query(RegistryKey key, const char* name, void* out, int size, int* count) {
    *count = 0;
    if (!key || size < 0) return kRegFailed;
    DWORD type = 0;
    DWORD cb = static_cast<DWORD>(size);
    LONG rc = RegQueryValueExA(as_hkey(key), name, nullptr, &type, static_cast<LPBYTE>(out), &cb);
    // On ERROR_MORE_DATA cb is the size needed, not what was stored: report none.
    if (rc != ERROR_SUCCESS) return static_cast<int>(rc);
    *count = static_cast<int>(cb);
    return 0;
}

int registry_set(RegistryKey key, const char* name, int type, const void* bytes, int count) {
    if (!key || count < 0) return kRegFailed;
    return static_cast<int>(RegSetValueExA(as_hkey(key), name, 0, static_cast<DWORD>(type),
                                           static_cast<const BYTE*>(bytes),
                                           static_cast<DWORD>(count)));
}

void registry_close(RegistryKey key) {
    if (key) RegCloseKey(as_hkey(key));
}

void registry_hold_reads(bool) {}

}  // namespace zpos::platform
