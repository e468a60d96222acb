// The seam table and the state module start leaves it in.
#include "platform/seams.h"

namespace zpos::platform {

namespace {
Seams g_module_start{};  // what reset_seams() returns to
Seams g_seams{};
}  // namespace

Seams& seams() { return g_seams; }

void reset_seams() { g_seams = g_module_start; }

void set_module_seams(const Seams& own) {
    g_module_start = own;
    g_seams = own;
}

}  // namespace zpos::platform
