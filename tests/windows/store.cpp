// The per-user security store around a card approval: GET_SERIAL "DONE" as
// the script filled it, then the five-byte string "ZELTA" the library writes.
#include <cwchar>

#include "tests/windows/winpos.h"

namespace winpos {

namespace {

// GET_SERIAL as REG_SZ in `out`; its stored size in bytes, 0 when missing.
DWORD serial_value(wchar_t (&out)[16]) {
    HKEY k = nullptr;
    DWORD bytes = 0, type = 0, room = sizeof out - sizeof(wchar_t);
    std::wmemset(out, 0, 16);
    bool found = RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\VAN_POS_SECURITY\\1100", 0, KEY_READ, &k) ==
                     ERROR_SUCCESS &&
                 RegQueryValueExW(k, L"GET_SERIAL", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
                 RegQueryValueExW(k, L"GET_SERIAL", nullptr, &type, reinterpret_cast<BYTE*>(out), &room) ==
                     ERROR_SUCCESS;
    if (k) RegCloseKey(k);
    return found && type == REG_SZ ? bytes : 0;
}

}  // namespace

void check_store_filled() {
    wchar_t serial[16];
    serial_value(serial);
    check(std::wcscmp(serial, L"DONE") == 0, "approval: store filled, GET_SERIAL DONE", "got [%ls]", serial);
}

// The library sets five bytes without a zero; the registry, as NT does, adds
// the zero when the byte after the caller's count is one.
void check_serial_marked() {
    wchar_t serial[16];
    DWORD bytes = serial_value(serial);
    check((bytes == 5 * sizeof(wchar_t) || bytes == 6 * sizeof(wchar_t)) && std::wcscmp(serial, L"ZELTA") == 0,
          "approval: GET_SERIAL now the string ZELTA", "%lu bytes", bytes);
}

}  // namespace winpos
