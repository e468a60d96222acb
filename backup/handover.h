// The reply parser's hand-over of a cancellation that the primary host
// declined: rebuilt as a backup request from the saved request record and sent
// through the backup route, which then fills the response record.
#pragma once

#include "support/call_state.h"

namespace zpos {

// Result of backup_handover when no backup request could be built: nothing was
// sent, so the parser fills the record as for any declined cancellation and
// gives 0. The backup route itself never answers 0.
inline constexpr int kHandoverNotSent = 0;

// Builds the kind-4 backup request from the call's saved request into a zeroed
// 3000-byte buffer, frames it and runs the backup route into `response` (450
// bytes). A request that cannot be built writes " pack_len[%d] rtn[%d] " and
// gives kHandoverNotSent; otherwise the backup route's result (1, -2 or -8).
int backup_handover(CallState& call, char* response);

}  // namespace zpos
