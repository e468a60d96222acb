// Load and unload of the shared library on POSIX: the same module start-up and
// shutdown that DllMain runs on Windows.
#include "entry/module_lifetime.h"

namespace {
__attribute__((constructor)) void on_load() { zpos::module_load(); }
__attribute__((destructor)) void on_unload() { zpos::module_unload(); }
}  // namespace
