// Loading, resolving and releasing the signature/PIN pad library for one call,
// and reading the pad's serial port.
#include "request/pad_library.h"


#include <cstring>

#include "support/fields.h"
#include "support/log.h"
#include "support/log_lines.h"
#include "support/settings.h"

namespace zpos {

bool PadSession::open(const CallState& call, const char* function) {
    void* symbol = lib_.open(call, "SignPad_dll", function, log_lines::kPadLoadFail,
                             std::strcmp(function, kPadSignFunction) == 0 ? log_lines::kPadSignMissing
                                                                          : log_lines::kPadPinMissing);
    fn_ = reinterpret_cast<PadFunction>(symbol);
    return fn_ != nullptr;
}

int PadSession::call(char* buffer, int port) {
    if (!fn_) return -1;
    return fn_(buffer, port, kPadConstant);
}

void PadSession::release() {
    lib_.release();
    fn_ = nullptr;
}

int pad_port(const CallState& call, char* text) {
    settings_read(call, settings::kComPort, settings::kGetComPort, text, settings::kGetComPortSize);
    return atoi_text(text_of(text, settings::kGetComPortSize));
}

}  // namespace zpos
