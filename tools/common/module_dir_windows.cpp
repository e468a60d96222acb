// Where the test library that holds this code lives, found from one of its own
// addresses, so its script and record files sit beside it.
#include <windows.h>

#include <cstdio>
#include <cstring>

bool own_module_dir(char* out, std::size_t size) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&own_module_dir), &module))
        return false;
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    if (n == 0 || n >= sizeof path) return false;
    char* slash = std::strrchr(path, '\\');
    if (slash) *slash = '\0';
    int w = std::snprintf(out, size, "%s", slash ? path : ".");
    return w > 0 && static_cast<std::size_t>(w) < size;
}
