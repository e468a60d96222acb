// The seam table.
#include "platform/seams.h"

namespace zpos::platform {

namespace {
Seams g_seams{};
}  // namespace

Seams& seams() { return g_seams; }

void reset_seams() { g_seams = Seams{}; }

}  // namespace zpos::platform
