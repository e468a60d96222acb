// One use of an external library in the application directory (the signature
// pad, the backup route): loaded by full path, one function resolved, released
// right after the call, so no handle survives from one use to the next.
#pragma once

#include "platform/platform.h"
#include "support/call_state.h"

namespace zpos {

class ExternalLibrary {
public:
    ExternalLibrary() = default;
    ~ExternalLibrary() { release(); }
    ExternalLibrary(const ExternalLibrary&) = delete;
    ExternalLibrary& operator=(const ExternalLibrary&) = delete;

    // Loads "<app_dir><sep><stem><suffix>" from the call's application
    // directory and resolves `function`. On failure writes `load_fail_line` or
    // `missing_line`, releases the library and gives nullptr.
    void* open(const CallState& call, const char* stem, const char* function, const char* load_fail_line,
               const char* missing_line);
    void release();

private:
    platform::Library lib_ = nullptr;
};

}  // namespace zpos
