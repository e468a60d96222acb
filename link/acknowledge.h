// The acknowledgement that closes a transaction with the host: ACK on the open
// link socket, then the wait for the host's EOT. `acknowledge` is what Zelta_Ack
// runs; `auto_acknowledge` closes a declined reply without the POS.
#pragma once

#include "support/module.h"
#include "support/results.h"

namespace zpos {

// On the backup route nothing is sent. EOT resets the route to the primary
// host; without EOT the management acknowledgement reports the call's saved
// request record.
AckResult acknowledge(Module& module);

// Leaves the route and the settings file alone.
AutoAckResult auto_acknowledge(Module& module);

}  // namespace zpos
