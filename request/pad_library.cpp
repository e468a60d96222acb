// The pad's serial port, as the settings file gives it.
#include "request/pad_library.h"

#include "support/fields.h"
#include "support/settings.h"

namespace zpos {

int pad_port(const CallState& call, char* text) {
    settings_read(call, settings::kComPort, settings::kGetComPort, text, settings::kGetComPortSize);
    return atoi_text(text_of(text, settings::kGetComPortSize));
}

}  // namespace zpos
