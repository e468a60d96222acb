// The library's own functions behind the entry points' seams.
#include "entry/transaction_paths.h"

namespace zpos {

namespace {
// Paths whose subsystems are not part of this build answer as refused.
int path_not_built(char*, char*) { return -1; }
int kind_path_not_built(char*, char*, int) { return -1; }
int link_not_built() { return -1; }
int download_not_built(const char*, int, const char*, char*) { return -1; }
void nothing_to_close() {}

constexpr TransactionPaths kLibraryPaths{path_not_built, kind_path_not_built, kind_path_not_built,
                                         link_not_built, link_not_built, download_not_built,
                                         nothing_to_close};
TransactionPaths g_paths = kLibraryPaths;
}  // namespace

TransactionPaths& transaction_paths() { return g_paths; }
void restore_transaction_paths() { g_paths = kLibraryPaths; }

}  // namespace zpos
