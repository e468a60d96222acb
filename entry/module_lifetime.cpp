// Module start-up and shutdown, which the platform runs at load and unload:
// the socket layer lives as long as the module, module start wires the reply
// parser's hand-over to the backup route, and a link socket left open for an
// acknowledgement is closed at unload.
#include "platform/module_hooks.h"

#include "backup/handover.h"
#include "entry/call.h"
#include "link/connection.h"
#include "platform/platform.h"
#include "platform/seams.h"
#include "support/korean_texts.h"

namespace zpos {

namespace {
BackupRouteResult handover_of_call(char* response) { return backup_handover(g_call, response); }
}  // namespace

bool platform::on_module_load() {
    if (!socket_layer_start()) {
        show_notice(texts::kNoticeSocketStartFailed.cp949, texts::kNoticeSocketStartFailed.utf8);
        return false;
    }
    Seams own{};
    own.backup_handover = handover_of_call;
    set_module_seams(own);
    return true;
}

void platform::on_module_unload() {
    close_link();
    socket_layer_stop();
}

}  // namespace zpos
