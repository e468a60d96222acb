// Where the test library that holds this code lives, found from one of its own
// addresses, so its script and record files sit beside it.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

bool own_module_dir(char* out, std::size_t size) {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&own_module_dir), &info) || !info.dli_fname) return false;
    const char* slash = std::strrchr(info.dli_fname, '/');
    if (!slash) return std::snprintf(out, size, ".") > 0;
    int n = std::snprintf(out, size, "%.*s", static_cast<int>(slash - info.dli_fname), info.dli_fname);
    return n > 0 && static_cast<std::size_t>(n) < size;
}
