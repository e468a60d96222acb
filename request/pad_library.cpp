// The pad's serial port, as the settings file gives it.
#include "request/pad_library.h"

#include "support/fields.h"
#include "support/settings.h"

namespace zpos {

int pad_port(const CallState& call, char* text) {
    settings_read(call, settings::kGetComPort, text);
    return atoi_text(text_of(text, settings::kGetComPort.size));
}

}  // namespace zpos
