// The library's own functions behind the entry points' seams, each run on the
// module's call state.
#include "entry/transaction_paths.h"

#include "backup/handover.h"
#include "entry/call.h"
#include "entry/send_paths.h"
#include "link/acknowledge.h"
#include "link/connection.h"
#include "link/download.h"
#include "reply/parser.h"

namespace zpos {

namespace {

AutoAckResult auto_ack_of_call() { return auto_acknowledge(g_call); }
AckResult ack_of_call() { return acknowledge(g_call); }
DownloadResult download_of_call(const char* server, int port, const char* request, char* answer) {
    return download(g_call, server, port, request, answer);
}
BackupRouteResult handover_of_call(char* response) { return backup_handover(g_call, response); }

constexpr TransactionPaths kLibraryPaths{SendChequeTran, SendCardTran, SendPointTran, auto_ack_of_call,
                                         ack_of_call,    download_of_call, close_link};
// The reply parser hands declined cancellations to the backup route; wired
// here, where the library's own functions are put together.
TransactionPaths install_library_paths() {
    set_backup_handover(handover_of_call);
    return kLibraryPaths;
}
TransactionPaths g_paths = install_library_paths();
}  // namespace

TransactionPaths& transaction_paths() { return g_paths; }
void restore_transaction_paths() { g_paths = kLibraryPaths; }

}  // namespace zpos
