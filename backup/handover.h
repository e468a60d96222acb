// The hand-over of a cancellation that the primary host declined: rebuilt as
// a backup request from the saved request record and sent through the backup
// route, which then fills the response record. The card path decides when.
#pragma once

#include "request/capture.h"
#include "support/module.h"
#include "support/results.h"

namespace zpos {

// What a hand-over did: the backup route's result, or `not_sent` when the
// request could not be built (" pack_len[%d] rtn[%d] " is logged, and the
// caller fills the record from the host's reply), and what the backup
// request's signature capture did.
struct [[nodiscard]] Handover {
    BackupRouteResult result;
    Signature signature = Signature::not_attempted;
};

// Builds the kind-4 backup request from the call's saved request into a zeroed
// 3000-byte buffer, frames it and runs the backup route into `response` (450
// bytes).
Handover backup_handover(Module& module, char* response);

}  // namespace zpos
