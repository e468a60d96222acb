// The backup-route library, "BACKUPDLL" in the application directory: its two
// functions and one use of it at a time. Loaded for each single use and
// released right after the call; no handle survives from one use to the next.
#pragma once

#include "platform/platform.h"
#include "support/external_library.h"

namespace zpos {

// cryptCard(1, track 2 text, 40-byte output) -> 0 when enciphered.
using CryptCardFunction = int(ZPOS_EXTERNAL_CALL*)(int mode, const char* in, char* out);
// DataProcess_NVR(server address, port, framed request, 1024-byte reply) ->
// non-zero when the reply buffer holds the backup server's answer.
using DataProcessFunction = char(ZPOS_EXTERNAL_CALL*)(const char* addr, int port, const char* request,
                                                      char* reply);

inline constexpr char kCryptCardFunction[] = "cryptCard";
inline constexpr char kDataProcessFunction[] = "DataProcess_NVR";
inline constexpr int kCryptCardMode = 1;
inline constexpr int kCryptBufferSize = 40;
inline constexpr int kBackupReplySize = 1024;

// One use of the backup library: open() loads it and resolves one function;
// the library is released by release() or at scope end.
class BackupSession {
public:
    BackupSession() = default;
    BackupSession(const BackupSession&) = delete;
    BackupSession& operator=(const BackupSession&) = delete;

    // Loads "<app_dir>/BACKUPDLL<suffix>" and resolves `function` (one of the
    // names above). False after writing the load or export log line; the
    // library is then already released.
    bool open(const CallState& call, const char* function);
    // The resolved function, of the type that goes with its name.
    CryptCardFunction crypt_card() const { return reinterpret_cast<CryptCardFunction>(fn_); }
    DataProcessFunction data_process() const { return reinterpret_cast<DataProcessFunction>(fn_); }
    void release();

private:
    ExternalLibrary lib_;
    void* fn_ = nullptr;
};

}  // namespace zpos
