// The backup route: a framed backup request goes to the backup server through
// DataProcess_NVR of the backup library, and its answer fills the response
// record.
#pragma once

#include "support/module.h"
#include "support/results.h"

namespace zpos {

// Sends `framed` (STX .. ETX plus check byte) and fills `response` (450 bytes)
// from the answer: the approval or refusal fill (`answered`); for "3600" and
// "2000" (`unknown`) the refusal fill on the primary route only. `length` and
// `kind` are not used: the library gets the request without a length.
BackupRouteResult send_backup_route(Module& module, char* response, const char* framed, int length, int kind);

}  // namespace zpos
