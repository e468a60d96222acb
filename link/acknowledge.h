// The acknowledgement that closes a transaction with the host: ACK on the open
// link socket, then the wait for the host's EOT. `acknowledge` is what Zelta_Ack
// runs; `auto_acknowledge` closes a declined reply without the POS.
#pragma once

#include "support/call_state.h"

namespace zpos {

// Results:  1 EOT received (route reset to primary), or route mode 2 (nothing
//             sent); -5 ACK not sent; -12/-13 no EOT: the management
//             acknowledgement's result. Reports the call's saved request
//             record when no EOT comes.
int acknowledge(CallState& call);

// Results:  1 EOT received; -1 no frame in time; -2 a frame under 3 bytes;
//          -3 socket not readable or five frames without EOT; -5 ACK not sent.
// Leaves the route and the settings file alone.
int auto_acknowledge(const CallState& call);

}  // namespace zpos
