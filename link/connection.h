// Connection set-up of the host link: the connect with time-out on the link
// socket and the connection step of an exchange, including the secondary-to-
// primary address substitution. No link protocol lives here.
#pragma once

#include <string_view>

#include "platform/socket.h"
#include "support/module.h"
#include "support/results.h"

namespace zpos {

// Connects `s` (already created) to host:port, waiting at most
// `timeout_ms` for the non-blocking attempt (0 waits without limit). 0 when
// connected (socket back in blocking mode), -1 otherwise.
int connect_with_timeout(platform::Socket s, const char* host, int port, int timeout_ms);

// The connection step to the call's host: a new link socket (an earlier one
// still open is closed first), the address substitution (which rewrites the
// call's host address and port), the non-blocking attempt and the blocking
// second attempt.
ConnectResult connect_link(Module& module);

// True when `host` begins with the whole `secondary` address (compared over
// the secondary's own length), so that the primary host is used instead. An
// empty secondary matches nothing.
bool is_secondary_host(const char* host, std::string_view secondary = ZPOS_SECONDARY_HOST);

// Closes the link socket if one is open.
void close_link(LinkState& link);

}  // namespace zpos
