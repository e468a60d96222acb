// Loading, resolving and releasing an external library for one call.
#include "support/external_library.h"

#include <cstdio>

#include "support/log.h"

namespace zpos {

void* ExternalLibrary::open_symbol(const CallState& call, const ExternalFunction& function) {
    release();
    char path[260] = {};
    std::snprintf(path, sizeof path, "%.200s%c%s%s", call.app_dir, platform::kPathSep, function.stem,
                  platform::kLibSuffix);
    lib_ = platform::library_open(path);
    if (!lib_) {
        WriteLogText(function.load_fail_line);
        return nullptr;
    }
    void* symbol = platform::library_symbol(lib_, function.name);
    if (!symbol) {
        WriteLogText(function.missing_line);
        release();
    }
    return symbol;
}

void ExternalLibrary::release() {
    if (lib_) platform::library_close(lib_);
    lib_ = nullptr;
}

}  // namespace zpos
