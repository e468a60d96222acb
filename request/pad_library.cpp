// Loading, resolving and releasing the signature/PIN pad library for one call,
// and reading the pad's serial port.
#include "request/pad_library.h"

#include <cstdio>
#include <cstring>

#include "entry/module_state.h"
#include "support/fields.h"
#include "support/log.h"
#include "support/settings.h"

namespace zpos {

bool PadSession::open(const char* function) {
    release();
    char path[260] = {};
    std::snprintf(path, sizeof path, "%.200s%cSignPad_dll%s", g_module.app_dir, platform::kPathSep,
                  platform::kLibSuffix);
    lib_ = platform::library_open(path);
    if (!lib_) {
        WriteLogText(kLogPadLoadFail);
        return false;
    }
    void* symbol = platform::library_symbol(lib_, function);
    if (!symbol) {
        WriteLogText(std::strcmp(function, kPadSignFunction) == 0 ? kLogPadSignMissing
                                                                   : kLogPadPinMissing);
        release();
        return false;
    }
    fn_ = reinterpret_cast<PadFunction>(symbol);
    return true;
}

int PadSession::call(char* buffer, int port) {
    if (!fn_) return -1;
    return fn_(buffer, port, kPadConstant);
}

void PadSession::release() {
    if (lib_) platform::library_close(lib_);
    lib_ = nullptr;
    fn_ = nullptr;
}

int pad_port(char* text) {
    settings_read(settings::kComPort, settings::kGetComPort, text, settings::kGetComPortSize);
    return atoi_text(text_of(text, settings::kGetComPortSize));
}

}  // namespace zpos
