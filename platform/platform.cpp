// The part of the platform layer that is the same on every system: a test's
// stand-in from the seam table goes first, the system's own call otherwise.
#include "platform/platform.h"

#include "platform/seams.h"
#include "platform/system.h"

namespace zpos::platform {

void executable_path(char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    seam_or(seams().executable_path, system::executable_path)(out, size);
}

void show_notice(const char* text, const char* text_utf8) {
    if (seams().notice) {
        seams().notice(text);
        return;
    }
    system::show_notice(text, text_utf8);
}

Time now() { return seam_or(seams().clock, system::time_now)(); }

void sleep_ms(int milliseconds) { seam_or(seams().pause, system::sleep_ms)(milliseconds); }

}  // namespace zpos::platform
