// The start of call of Zelta_Ack and Zelta_download: the module paths, when
// no earlier call of the process has set them yet.
#include "entry/zelta_ack.h"

#include "entry/call.h"
#include "link/acknowledge.h"
#include "link/download.h"

namespace zpos {

AckResult zelta_ack() {
    // Called first in a fresh process, it still needs the settings path.
    if (g_module.call.settings_path[0] == '\0') prepare_call();
    return acknowledge(g_module);
}

DownloadOutcome zelta_download(const char* server, int port, const char* request, char* answer) {
    if (!server || !request || !answer) return {DownloadResult::no_answer, 0};
    if (g_module.call.app_dir[0] == '\0') prepare_call();
    return download(g_module.call, server, port, request, answer);
}

}  // namespace zpos
