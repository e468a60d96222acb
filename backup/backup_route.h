// The backup route: a framed backup request goes to the backup server through
// DataProcess_NVR of the backup library, and its answer fills the response
// record.
#pragma once

#include "support/call_state.h"

namespace zpos {

// Port for the backup server; 0 (which the request builder sets) means the
// default ZPOS_BACKUP_PORT.
extern int g_backup_port;

// Results of send_backup_route.
inline constexpr int kBackupRouteAnswered = 1;     // approval or refusal fill written
inline constexpr int kBackupRouteUnknown = -2;     // "3600"/"2000": use the primary host
inline constexpr int kBackupRouteUnusable = -8;    // library not loadable, export missing, call false

// Sends `framed` (STX .. ETX plus check byte) and fills `response` (450 bytes)
// from the answer. `length` and `kind` are not used: the library gets the
// request without a length.
int send_backup_route(const CallState& call, char* response, const char* framed, int length, int kind);

}  // namespace zpos
