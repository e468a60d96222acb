// Load and unload of the shared library on POSIX: the same module start-up and
// shutdown that DllMain runs on Windows.
#include "platform/module_hooks.h"

namespace {
__attribute__((constructor)) void on_load() { zpos::platform::on_module_load(); }
__attribute__((destructor)) void on_unload() { zpos::platform::on_module_unload(); }
}  // namespace
