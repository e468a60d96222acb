// The part of the platform layer that is the same on every system: a test's
// stand-in from the seam table goes first, the system's own call otherwise,
// and the application directory the environment names, its trailing separators cut.
#include "platform/platform.h"

#include <cstring>

#include "platform/seams.h"
#include "platform/system.h"

namespace zpos::platform {

void executable_path(char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    seam_or(seams().executable_path, system::executable_path)(out, size);
}

bool app_dir_from_environment(char* out, std::size_t size) {
    if (size == 0 || !system::environment_value("ZPOS_APP_DIR", out, size)) return false;
    for (std::size_t n = std::strlen(out); n > 0 && (out[n - 1] == '/' || out[n - 1] == kPathSep); --n)
        out[n - 1] = '\0';
    return true;
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
