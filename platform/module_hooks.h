// What the platform runs when the module is loaded and unloaded (DllMain on
// Windows, the shared library's constructor and destructor on POSIX).
// Declared here, where they are called, and defined by the entry layer, so
// the platform never reaches up for them.
#pragma once

namespace zpos::platform {

// Module start; false refuses the load.
bool on_module_load();
void on_module_unload();

}  // namespace zpos::platform
