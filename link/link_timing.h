// The host link's waits: 2 seconds for the non-blocking connect and 10 seconds
// for every read wait (ENQ, reply, EOT, download answer). Tests shorten them
// through the seam table (platform/seams.h); nothing else changes them.
#pragma once

namespace zpos {

inline constexpr int kConnectTimeoutMs = 2000;
inline constexpr int kLinkWaitMs = 10000;

int link_connect_timeout_ms();
int link_wait_ms();

// A read that may take several recv calls is bounded as a whole: it ends at
// a deadline one link wait from its start, however its bytes trickle in.
long long link_deadline();
// Milliseconds left until `deadline`, 0 once it has passed.
int link_ms_left(long long deadline);

}  // namespace zpos
