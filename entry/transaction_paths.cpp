// The library's own functions behind the entry points' seams.
#include "entry/transaction_paths.h"

#include "backup/handover.h"
#include "entry/send_paths.h"

#include "link/acknowledge.h"
#include "link/connection.h"
#include "link/download.h"

namespace zpos {

namespace {

constexpr TransactionPaths kLibraryPaths{SendChequeTran, SendCardTran, SendPointTran,
                                         auto_acknowledge, acknowledge, download, close_link};
// The reply parser hands declined cancellations to the backup route; wired
// here, where the library's own functions are put together.
TransactionPaths install_library_paths() {
    install_backup_handover();
    return kLibraryPaths;
}
TransactionPaths g_paths = install_library_paths();
}  // namespace

TransactionPaths& transaction_paths() { return g_paths; }
void restore_transaction_paths() { g_paths = kLibraryPaths; }

}  // namespace zpos
