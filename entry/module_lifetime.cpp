// Module start-up and shutdown: the socket layer lives as long as the module,
// and a link socket left open for an acknowledgement is closed at unload.
#include "entry/module_lifetime.h"

#include "entry/transaction_paths.h"
#include "platform/platform.h"
#include "support/korean_texts.h"

namespace zpos {

bool module_load() {
    if (!platform::socket_layer_start()) {
        platform::show_notice(texts::kNoticeSocketStartFailed.cp949, texts::kNoticeSocketStartFailed.utf8);
        return false;
    }
    return true;
}

void module_unload() {
    transaction_paths().close_link();
    platform::socket_layer_stop();
}

}  // namespace zpos
