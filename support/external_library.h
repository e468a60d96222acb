// One use of an external library in the application directory (the signature
// pad, the backup route): loaded by full path, one function resolved, released
// right after the call, so no handle survives from one use to the next.
#pragma once

#include "platform/platform.h"
#include "support/call_state.h"

namespace zpos {

// One function of an external library, and the log lines of a failed use.
struct ExternalFunction {
    const char* stem;            // the library's file name without its suffix
    const char* name;            // the exported function
    const char* load_fail_line;  // the library cannot be loaded
    const char* missing_line;    // it has no such function
};

class ExternalLibrary {
public:
    ExternalLibrary() = default;
    ~ExternalLibrary() { release(); }
    ExternalLibrary(const ExternalLibrary&) = delete;
    ExternalLibrary& operator=(const ExternalLibrary&) = delete;

    // Loads "<app_dir><sep><stem><suffix>" from the call's application
    // directory and resolves the function as the type its callers use. On
    // failure writes the load or missing line, releases the library and gives
    // nullptr.
    template <class Function>
    Function open(const CallState& call, const ExternalFunction& function) {
        return reinterpret_cast<Function>(open_symbol(call, function));
    }
    void release();

private:
    void* open_symbol(const CallState& call, const ExternalFunction& function);

    platform::Library lib_ = nullptr;
};

}  // namespace zpos
