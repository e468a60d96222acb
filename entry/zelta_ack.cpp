// The start of call of Zelta_Ack and Zelta_download, and what they run: a
// test's stand-in from the seam table, the library's own otherwise.
#include "entry/zelta_ack.h"

#include "entry/call.h"
#include "link/acknowledge.h"
#include "link/download.h"
#include "platform/seams.h"

namespace zpos {

namespace {
AckResult ack_of_call() { return acknowledge(g_call); }
DownloadResult download_of_call(const char* server, int port, const char* request, char* answer) {
    return download(g_call, server, port, request, answer);
}
}  // namespace

AckResult zelta_ack() {
    // Called first in a fresh process, it still needs the settings path.
    if (g_call.settings_path[0] == '\0') prepare_call();
    return platform::seam_or(platform::seams().ack, ack_of_call)();
}

DownloadResult zelta_download(const char* server, int port, const char* request, char* answer) {
    if (!server || !request || !answer) return DownloadResult::no_answer;
    if (g_call.app_dir[0] == '\0') prepare_call();
    return platform::seam_or(platform::seams().download, download_of_call)(server, port, request, answer);
}

}  // namespace zpos
