// The library's own functions behind the entry points' seams.
#include "entry/transaction_paths.h"

#include "entry/send_paths.h"

#include "link/acknowledge.h"
#include "link/connection.h"
#include "link/download.h"

namespace zpos {

namespace {

constexpr TransactionPaths kLibraryPaths{SendChequeTran, SendCardTran, SendPointTran,
                                         auto_acknowledge, acknowledge, download, close_link};
TransactionPaths g_paths = kLibraryPaths;
}  // namespace

TransactionPaths& transaction_paths() { return g_paths; }
void restore_transaction_paths() { g_paths = kLibraryPaths; }

}  // namespace zpos
