// The per-user security store around a card approval: the record filled and
// GET_SERIAL "DONE" before it, GET_SERIAL the five-byte string "ZELTA" after.
// The script fills the store; the library reads it and writes the marker.
#include <cstring>
#include <cwchar>

#include "tests/windows/winpos.h"

namespace winpos {

namespace {

const char kSerialKey[] = "SOFTWARE\\VAN_POS_SECURITY\\1100";

// A value under HKEY_CURRENT_USER, NUL-terminated in `out`.
bool registry_value(const char* key, const char* name, char* out, DWORD size) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    std::memset(out, 0, size);
    DWORD count = size - 1;
    LONG rc = RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &count);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

}  // namespace

void check_store_filled() {
    char serial[16];
    bool found = registry_value(kSerialKey, "GET_SERIAL", serial, sizeof serial);
    check(found && std::strcmp(serial, "DONE") == 0, "approval: store filled, GET_SERIAL DONE",
          "got [%s]", found ? serial : "<none>");
}

// The library sets five bytes without a zero; the registry, as NT does, adds
// the zero when the byte after the caller's count is one.
void check_serial_marked() {
    HKEY k = nullptr;
    wchar_t wide[16] = {};
    DWORD bytes = 0, type = 0;
    DWORD room = sizeof wide - sizeof(wchar_t);
    bool found = RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\VAN_POS_SECURITY\\1100", 0, KEY_READ,
                               &k) == ERROR_SUCCESS &&
                 RegQueryValueExW(k, L"GET_SERIAL", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
                 RegQueryValueExW(k, L"GET_SERIAL", nullptr, &type, reinterpret_cast<BYTE*>(wide),
                                  &room) == ERROR_SUCCESS;
    if (k) RegCloseKey(k);
    bool size_ok = bytes == 5 * sizeof(wchar_t) || bytes == 6 * sizeof(wchar_t);
    check(found && type == REG_SZ && size_ok && std::wcscmp(wide, L"ZELTA") == 0,
          "approval: GET_SERIAL now the string ZELTA", "%lu bytes, type %lu", found ? bytes : 0, type);
}

}  // namespace winpos
