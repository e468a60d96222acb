// The reply parser's hand-over of a cancellation that the primary host
// declined: rebuilt as a backup request from the saved request record and sent
// through the backup route, which then fills the response record.
#pragma once

#include "support/call_state.h"
#include "support/results.h"

namespace zpos {

// Builds the kind-4 backup request from the call's saved request into a zeroed
// 3000-byte buffer, frames it and runs the backup route into `response` (450
// bytes). A request that cannot be built writes " pack_len[%d] rtn[%d] " and
// gives `not_sent`: the parser then fills the record as for any declined
// cancellation. Otherwise the backup route's result.
BackupRouteResult backup_handover(CallState& call, char* response);

}  // namespace zpos
