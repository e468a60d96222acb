// Loading, resolving and releasing the backup library for one call.
#include "backup/backup_library.h"

#include <cstdio>
#include <cstring>

#include "entry/module_state.h"
#include "support/log.h"

namespace zpos {

bool BackupSession::open(const char* function) {
    release();
    char path[260] = {};
    std::snprintf(path, sizeof path, "%.200s%cBACKUPDLL%s", g_module.app_dir, platform::kPathSep,
                  platform::kLibSuffix);
    lib_ = platform::library_open(path);
    if (!lib_) {
        WriteLogText(kLogBackupLoadFail);
        return false;
    }
    fn_ = platform::library_symbol(lib_, function);
    if (!fn_) {
        WriteLogText(std::strcmp(function, kCryptCardFunction) == 0 ? kLogCryptCardMissing
                                                                     : kLogDataProcessMissing);
        release();
        return false;
    }
    return true;
}

void BackupSession::release() {
    if (lib_) platform::library_close(lib_);
    lib_ = nullptr;
    fn_ = nullptr;
}

}  // namespace zpos
