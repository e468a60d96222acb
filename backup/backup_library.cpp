// Loading, resolving and releasing the backup library for one call.
#include "backup/backup_library.h"

#include <cstring>

#include "support/log_lines.h"

namespace zpos {

bool BackupSession::open(const CallState& call, const char* function) {
    fn_ = lib_.open(call, "BACKUPDLL", function, log_lines::kBackupLoadFail,
                    std::strcmp(function, kCryptCardFunction) == 0 ? log_lines::kBackupCryptMissing
                                                                   : log_lines::kBackupDataMissing);
    return fn_ != nullptr;
}

void BackupSession::release() {
    lib_.release();
    fn_ = nullptr;
}

}  // namespace zpos
