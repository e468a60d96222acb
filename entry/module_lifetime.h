// Module start-up and shutdown, run by the platform's load and unload hooks.
#pragma once

namespace zpos {

// Starts the socket layer; on failure shows the start-up notice and returns
// false, which refuses the load.
bool module_load();
// Closes a link socket still open and stops the socket layer.
void module_unload();

}  // namespace zpos
