// Loading, resolving and releasing the backup library for one call.
#include "backup/backup_library.h"

#include <cstring>

namespace zpos {

bool BackupSession::open(const char* function) {
    fn_ = lib_.open("BACKUPDLL", function, kLogBackupLoadFail,
                    std::strcmp(function, kCryptCardFunction) == 0 ? kLogCryptCardMissing : kLogDataProcessMissing);
    return fn_ != nullptr;
}

void BackupSession::release() {
    lib_.release();
    fn_ = nullptr;
}

}  // namespace zpos
