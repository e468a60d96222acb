// The backup-route library, "BACKUPDLL" in the application directory: its two
// functions, each loaded for one use through an ExternalLibrary and released
// right after the call, so no handle survives from one use to the next.
#pragma once

#include "platform/platform.h"
#include "support/external_library.h"
#include "support/log_lines.h"

namespace zpos {

// cryptCard(1, track 2 text, 40-byte output) -> 0 when enciphered.
using CryptCardFunction = int(ZPOS_EXTERNAL_CALL*)(int mode, const char* in, char* out);
// DataProcess_NVR(server address, port, framed request, 1024-byte reply) ->
// non-zero when the reply buffer holds the backup server's answer.
using DataProcessFunction = char(ZPOS_EXTERNAL_CALL*)(const char* addr, int port, const char* request,
                                                      char* reply);

inline constexpr ExternalFunction kCryptCard{"BACKUPDLL", "cryptCard", log_lines::kBackupLoadFail,
                                             log_lines::kBackupCryptMissing};
inline constexpr ExternalFunction kDataProcess{"BACKUPDLL", "DataProcess_NVR", log_lines::kBackupLoadFail,
                                               log_lines::kBackupDataMissing};
inline constexpr int kCryptCardMode = 1;
inline constexpr int kCryptBufferSize = 40;
inline constexpr int kBackupReplySize = 1024;

}  // namespace zpos
