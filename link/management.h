// The management acknowledgement: after a missing EOT, the saved request record
// is reported to the host in a short management message over a new exchange,
// and the host's answer is acknowledged with ACK (no EOT awaited).
#pragma once

#include <cstddef>

#include "support/module.h"
#include "support/results.h"

namespace zpos {

inline constexpr int kManagementMessageSize = 3000;

// Builds the management message for `request` (240 bytes) into `out` and
// appends the check byte. Returns the framed length, or 0 when it does not fit.
int build_management_message(const CallState& call, const char* request, char* out, std::size_t capacity);

// Reports the call's saved request record; the link socket is closed after.
ManagementResult management_acknowledge(Module& module);

}  // namespace zpos
