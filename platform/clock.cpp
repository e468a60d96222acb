// The clock shared by both sides: the system time unless a test has fixed it.
#include <ctime>

#include "platform/platform.h"

namespace zpos::platform {

namespace {
ClockHook g_clock_hook = nullptr;
}  // namespace

Time now() { return g_clock_hook ? g_clock_hook() : system_time(); }

void set_clock_hook(ClockHook hook) { g_clock_hook = hook; }

}  // namespace zpos::platform
