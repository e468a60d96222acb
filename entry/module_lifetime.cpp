// Module start-up and shutdown, which the platform runs at load and unload:
// the socket layer lives as long as the module, and a link socket left open
// for an acknowledgement is closed at unload.
#include "platform/module_hooks.h"

#include "entry/call.h"
#include "link/connection.h"
#include "platform/platform.h"
#include "support/korean_texts.h"

namespace zpos {

bool platform::on_module_load() {
    if (!socket_layer_start()) {
        show_notice(texts::kNoticeSocketStartFailed.cp949, texts::kNoticeSocketStartFailed.utf8);
        return false;
    }
    return true;
}

void platform::on_module_unload() {
    close_link(g_module.link);
    socket_layer_stop();
}

}  // namespace zpos
