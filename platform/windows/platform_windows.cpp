// Windows side of the platform layer: the private-profile functions, the
// module's executable path, MessageBoxA, the 64-bit clock, Sleep, LoadLibraryA
// and the Winsock start-up (version 2.2).
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/system.h"

namespace zpos::platform {

namespace {
bool g_socket_layer_started = false;
}  // namespace

int profile_read(const char* section, const char* key, const char* fallback, char* out, int size,
                 const char* path) {
    if (size <= 0) return 0;
    return static_cast<int>(GetPrivateProfileStringA(section, key, fallback, out, static_cast<DWORD>(size), path));
}

bool profile_write(const char* section, const char* key, const char* value, const char* path) {
    return WritePrivateProfileStringA(section, key, value, path) != 0;
}

void profile_read_keys(std::span<const ProfileKey> keys, const char* path) {
    for (const ProfileKey& k : keys) profile_read(k.section, k.key, "", k.out, k.size, path);
}

bool profile_write_keys(std::span<const ProfileEntry> entries, const char* path) {
    bool ok = true;
    for (const ProfileEntry& e : entries) ok = profile_write(e.section, e.key, e.value, path) && ok;
    return ok;
}

void system::executable_path(char* out, std::size_t size) {
    DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(size - 1));
    out[n < size ? n : size - 1] = '\0';
}

bool system::environment_value(const char* name, char* out, std::size_t size) {
    // GetEnvironmentVariableA, not getenv: the C runtime's copy of the
    // environment misses what a .NET or Python host sets at run time. A value
    // longer than the buffer is not copied at all, so the buffer holds the
    // longest value Windows allows.
    char value[32768];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    if (n == 0 || n >= sizeof value) return false;
    std::snprintf(out, size, "%s", value);
    return true;
}

bool path_exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool make_directory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

AppendFile append_open(const char* path) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<AppendFile>(file);
}

long append_write(AppendFile file, const char* bytes, std::size_t len) {
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes, static_cast<DWORD>(len), &written, nullptr)) written = 0;
    return static_cast<long>(written);
}

void append_close(AppendFile file) {
    if (file != kNoFile) CloseHandle(reinterpret_cast<HANDLE>(file));
}

void system::show_notice(const char* text, const char*) {
    // A full-screen POS would hide an unowned box and could be clicked into
    // while the call waits.
    HWND owner = GetActiveWindow();
    if (!owner) {
        HWND front = GetForegroundWindow();
        DWORD process = 0;
        if (front) GetWindowThreadProcessId(front, &process);
        if (process == GetCurrentProcessId()) owner = front;
    }
    MessageBoxA(owner, text, "ZPosApp", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST);
}

// The 64-bit forms of the runtime's clock, whatever its own time_t is.
Time system::time_now() { return static_cast<Time>(_time64(nullptr)); }

void local_time(Time t, std::tm& out) {
    __time64_t system = static_cast<__time64_t>(t);
    _localtime64_s(&out, &system);
}

long long monotonic_ms() { return static_cast<long long>(GetTickCount64()); }

void system::sleep_ms(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

Library library_open(const char* path) { return LoadLibraryA(path); }
void* library_symbol(Library lib, const char* name) {
    return lib ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name)) : nullptr;
}
void library_close(Library lib) {
    if (lib) FreeLibrary(static_cast<HMODULE>(lib));
}

// Each WSACleanup undoes one successful WSAStartup of the process; one after
// a failed start would take the POS's own Winsock away.
bool socket_layer_start() {
    WSADATA data;
    g_socket_layer_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    return g_socket_layer_started;
}
void socket_layer_stop() {
    if (g_socket_layer_started) WSACleanup();
    g_socket_layer_started = false;
}

}  // namespace zpos::platform
