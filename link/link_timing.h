// The host link's waits: 2 seconds for the non-blocking connect and 10 seconds
// for every read wait (ENQ, reply, EOT, download answer). Tests shorten them
// through the seam table (platform/seams.h); nothing else changes them.
#pragma once

#include <cstddef>

#include "platform/socket.h"

namespace zpos {

inline constexpr int kConnectTimeoutMs = 2000;
inline constexpr int kLinkWaitMs = 10000;
// How many waits a call can make: a reply gets three NAKs before the exchange
// gives up, and the EOT wait reads at most five frames.
inline constexpr int kReplyRetries = 3;
inline constexpr int kEotFrames = 5;

int link_connect_timeout_ms();
int link_wait_ms();

// A read that may take several recv calls is bounded as a whole: it ends at
// a deadline one link wait from its start, however its bytes trickle in.
long long link_deadline();
// Milliseconds left until `deadline`, 0 once it has passed.
int link_ms_left(long long deadline);

// How one wait for a socket's bytes ended.
enum class Arrival {
    received,      // the socket was readable and one recv was made
    timed_out,     // nothing within the wait
    wait_failed,   // the wait itself failed
    not_readable,  // the wait ended without the socket readable
};

// One bounded read: waits at most `timeout_ms` for `s` to be readable, then
// makes one recv of at most `count` bytes into `out`, whose result (which may
// be 0 or below) goes to `got`. Every read of the link and of the download
// waits this way.
[[nodiscard]] Arrival receive_within(platform::Socket s, int timeout_ms, void* out, std::size_t count, long& got);

}  // namespace zpos
